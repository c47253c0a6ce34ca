// horodex-sync: the exchange of a station with the shared PostgreSQL server, without a window,
// for cron, tests and stations run headless.
#include "data/Environment.h"
#include "sync/StationSync.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

const char Usage[] =
    "Usage: horodex-sync [--data DIR] [--once] [--take-over-head]\n"
    "\n"
    "Sends the new punches of the station whose data folder is DIR (by default Horodex's own)\n"
    "to the PostgreSQL server that its station.ini names, and exchanges the employee list and\n"
    "the settings: a head station stores them, a punch station takes them. Without --once it\n"
    "goes on until it is stopped, trying again while the server cannot be reached.\n"
    "--take-over-head makes this head station the database's head in place of another one\n"
    "(a computer that replaces the head).\n"
    "\n"
    "Exit status with --once: 0 when nothing waits any more and every file could be sent, 1\n"
    "when something waits or cannot be sent (the reason\n"
    "on standard error), 2 for a command line or station file that cannot be used.\n";

// Standard error carries the program's own messages; Qt's notes about the server are dropped.
void keepQtNotesOffStandardError(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

void say(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

// One line per round that did something, and each failure once until it changes.
void report(const SyncStatus& status, QString* lastError, bool* wasConnected)
{
    if (!status.error.isEmpty() && status.error != *lastError)
        say(stderr, QStringLiteral("horodex-sync: ") + status.error);
    *lastError = status.error;
    static QStringList lastProblems;
    if (status.problems != lastProblems) {
        for (const QString& problem : status.problems)
            say(stderr, QStringLiteral("horodex-sync: ") + problem);
    }
    lastProblems = status.problems;
    if (status.connected && !*wasConnected)
        say(stdout, QStringLiteral("connected"));
    *wasConnected = status.connected;
    for (const QString& name : status.rewritten)
        say(stderr, QStringLiteral("horodex-sync: the time file of \"%1\" was rewritten while "
                                   "this station was not connected: its punches on the server "
                                   "were replaced by the file's, and the change recorded with "
                                   "the corrections")
                        .arg(FileStore::displayText(name)));
    if (status.sent > 0 || !status.published.isEmpty() || !status.replaced.isEmpty())
        say(stdout, QStringLiteral("sent %1 waiting %2%3%4")
                        .arg(status.sent)
                        .arg(status.waiting)
                        .arg(status.published.isEmpty()
                                 ? QString()
                                 : QStringLiteral(" stored ") + status.published.join(u' '))
                        .arg(status.replaced.isEmpty()
                                 ? QString()
                                 : QStringLiteral(" took ") + status.replaced.join(u' ')));
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(keepQtNotesOffStandardError);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool once = false;
    bool takeOver = false;
    QString dataDir;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--once")) {
            once = true;
        } else if (args.at(i) == QLatin1String("--take-over-head")) {
            takeOver = true;
        } else if (args.at(i) == QLatin1String("--data") && i + 1 < args.size()) {
            dataDir = args.at(++i);
        } else if (args.at(i) == QLatin1String("--help") || args.at(i) == QLatin1String("-h")) {
            std::fputs(Usage, stdout);
            return 0;
        } else {
            say(stderr, QStringLiteral("horodex-sync: unknown argument \"%1\" (see --help)")
                            .arg(args.at(i)));
            return 2;
        }
    }
    if (!dataDir.isEmpty())
        Environment::setDataDirectory(QDir(dataDir).absolutePath());
    std::optional<StationConfig> config;
    if (const IoResult read = ReadStationConfig(&config); !read) {
        say(stderr, QStringLiteral("horodex-sync: ") + read.error);
        return 2;
    }
    if (!config) {
        say(stderr, QStringLiteral("horodex-sync: there is no station file \"%1\": this data "
                                   "folder belongs to no shared database")
                        .arg(StationConfigPath()));
        return 2;
    }
    if (takeOver && !config->isHead()) {
        say(stderr, QStringLiteral("horodex-sync: --take-over-head is for a head station; "
                                   "station.ini names this one a punch station"));
        return 2;
    }
    StationSync sync(*config);
    if (takeOver)
        sync.takeOverHead();
    QString lastError;
    bool connected = false;
    if (once) {
        const SyncStatus status = sync.runRound();
        report(status, &lastError, &connected);
        const bool done =
            status.error.isEmpty() && status.waiting == 0 && status.problems.isEmpty();
        return done ? 0 : 1;
    }
    QObject::connect(&sync, &StationSync::roundFinished,
                     [&lastError, &connected](const SyncStatus& status) {
                         report(status, &lastError, &connected);
                     });
    sync.start();
    return app.exec();
}
