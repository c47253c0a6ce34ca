// Prints how long the punch station takes as a whole process, from its start to the first show
// of its main window, with 1,000 employees, against a bare Qt Widgets program that shows the
// same names in a list (bare_list.cpp); the two are started in turns on the X server of DISPLAY.
// The first show is the first window the server maps after the start. Build Release, then:
//   scripts/with-xvfb.sh build-release/bin/bench_startup [runs] [horodex]
// where horodex is another build of the program to measure (another commit's, for instance).
#include "BenchSupport.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

// Last: Xlib's macros must not meet the Qt headers above.
#include <X11/Xlib.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Starts the program and returns the milliseconds until the server maps its first window, then
// asks it to end and waits for it; negative when no window came.
double timeToFirstShow(Display* display, const QByteArray& program)
{
    XSync(display, False);
    while (XPending(display)) {
        XEvent stale;
        XNextEvent(display, &stale);
    }
    char* argv[] = {const_cast<char*>(program.constData()), nullptr};
    // What the programs print is not measured.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return -1;
    double ms = -1;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (ms < 0 && (XPending(display) || poll(&connection, 1, 10000) > 0)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify)
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_startup needs an X server: scripts/with-xvfb.sh %s\n", argv[0]);
        return 2;
    }
    // The bare list first, then this build's horodex, then any other builds named; each runs as
    // a copy beside the same data folder.
    const QString binDir = QCoreApplication::applicationDirPath();
    QStringList sources{binDir + QStringLiteral("/bench_bare_list"),
                        binDir + QStringLiteral("/horodex")};
    for (int i = 2; i < argc; ++i)
        sources.append(QString::fromLocal8Bit(argv[i]));
    QTemporaryDir dir;
    QList<QByteArray> programs;
    bool ready = dir.isValid() && PrepareStationFolder(dir.path());
    for (qsizetype i = 0; ready && i < sources.size(); ++i) {
        const QString copy = dir.filePath(QStringLiteral("program%1").arg(i));
        ready = QFile::copy(sources.at(i), copy);
        programs.append(QFile::encodeName(copy));
    }
    if (!ready) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(dir.path()));
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    constexpr int WarmUp = 3; // fills the page cache; not counted
    std::vector<std::vector<double>> ms(size_t(programs.size()));
    for (int i = 0; i < WarmUp + runs; ++i) {
        // Each turn starts with the next program, so that none always follows the same one.
        for (qsizetype k = 0; k < programs.size(); ++k) {
            const qsizetype p = (i + k) % programs.size();
            const double t = timeToFirstShow(display, programs.at(p));
            if (t < 0) {
                std::fprintf(stderr, "%s showed no window\n", qPrintable(sources.at(p)));
                return 1;
            }
            if (i >= WarmUp)
                ms[size_t(p)].push_back(t);
        }
    }
    const double bare = median(ms[0]);
    const double bareFastest = *std::min_element(ms[0].begin(), ms[0].end());
    std::printf("Start to first show with 1,000 employees, %d runs each in turns (goal <= 1.25):\n",
                runs);
    std::printf("  %-24s median %6.1f ms             fastest %6.1f ms\n", "bare Qt Widgets list",
                bare, bareFastest);
    for (qsizetype p = 1; p < programs.size(); ++p) {
        const double m = median(ms[size_t(p)]);
        const double fastest = *std::min_element(ms[size_t(p)].begin(), ms[size_t(p)].end());
        std::printf("  %-24s median %6.1f ms ratio %.2f fastest %6.1f ms ratio %.2f\n",
                    p == 1 ? "horodex" : qPrintable(QFileInfo(sources.at(p)).filePath().right(24)),
                    m, m / bare, fastest, fastest / bareFastest);
    }
    XCloseDisplay(display);
    return 0;
}
