// Prints how long the punch station takes as a whole process, from its start to the first paint
// of its list, with 1,000 employees, against a bare Qt Widgets program that shows the same names
// in a list (bare_list.cpp); the two are started in turns on the X server of DISPLAY. Both fill
// their list before they show it, so the first drawing into a window of the started process
// (seen through the DAMAGE extension) is the list drawn. Build Release, then:
//   scripts/with-xvfb.sh build-release/bin/bench_startup [--windows N] [runs] [horodex...]
// where horodex is another build of the program to measure (another commit's, for instance), and
// --windows puts N other windows on the desktop first (openbox takes minutes to place a thousand:
// use scripts/with-xvfb.sh --no-wm for those).
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
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int ignoreError(Display*, XErrorEvent*)
{
    return 0; // a window may be gone before it is looked at
}

qint64 pidOf(Display* display, Window window)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    qint64 pid = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &remaining, &data) == Success &&
        data && count == 1 && format == 32)
        pid = qint64(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

// Starts the program and returns the milliseconds until it first draws into a window of its own,
// then asks it to end and waits for it; negative when it drew nothing.
double timeToFirstPaint(Display* display, int damageEvent, const QByteArray& program)
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
    std::vector<Damage> damages;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (ms < 0 && (XPending(display) || poll(&connection, 1, 10000) > 0)) {
        XEvent event;
        XNextEvent(display, &event);
        // Watched from its creation: a window is drawn only after it is mapped and exposed.
        if (event.type == CreateNotify)
            damages.push_back(
                XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty));
        if (event.type != damageEvent + XDamageNotify)
            continue;
        const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
        // A window manager's frame is no drawing of the program's.
        if (pidOf(display, damage.drawable) == pid)
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    for (Damage damage : damages)
        XDamageDestroy(display, damage);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return ms;
}

// Other applications' windows, shown, each of its own size and place. Returns once all are
// mapped: a window manager takes a while to place a thousand, and the starts are timed after.
void putWindowsOnTheDesktop(Display* display, int count)
{
    for (int i = 0; i < count; ++i) {
        const Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), i % 200, i % 150,
                                             40, 30, 0, 0, 0x808080);
        XSelectInput(display, w, StructureNotifyMask);
        XMapWindow(display, w);
    }
    XFlush(display);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    for (int mapped = 0;
         mapped < count && (XPending(display) || poll(&connection, 1, 60000) > 0);) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.event == event.xmap.window)
            ++mapped;
    }
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
    QStringList arguments = QCoreApplication::arguments().mid(1);
    int otherWindows = 0;
    if (arguments.size() >= 2 && arguments.first() == QLatin1String("--windows")) {
        otherWindows = std::max(0, arguments.at(1).toInt());
        arguments.remove(0, 2);
    }
    const int runs = arguments.isEmpty() ? 21 : std::max(1, arguments.takeFirst().toInt());
    Display* display = XOpenDisplay(nullptr);
    int damageEvent = 0;
    int damageError = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr,
                     "bench_startup needs an X server with DAMAGE: scripts/with-xvfb.sh %s\n",
                     argv[0]);
        return 2;
    }
    XSetErrorHandler(&ignoreError);
    putWindowsOnTheDesktop(display, otherWindows);
    // The bare list first, then this build's horodex, then any other builds named; each runs as
    // a copy beside the same data folder.
    const QString binDir = QCoreApplication::applicationDirPath();
    QStringList sources{binDir + QStringLiteral("/bench_bare_list"),
                        binDir + QStringLiteral("/horodex")};
    sources.append(arguments);
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
            const double t = timeToFirstPaint(display, damageEvent, programs.at(p));
            if (t < 0) {
                std::fprintf(stderr, "%s drew no window\n", qPrintable(sources.at(p)));
                return 1;
            }
            if (i >= WarmUp)
                ms[size_t(p)].push_back(t);
        }
    }
    const double bare = median(ms[0]);
    const double bareFastest = *std::min_element(ms[0].begin(), ms[0].end());
    std::printf(
        "Start to the list drawn with 1,000 employees and %d other windows, %d runs each in "
        "turns (goal <= 1.25):\n",
        otherWindows, runs);
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
