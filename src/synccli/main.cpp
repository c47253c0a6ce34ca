// horodex-sync: the exchange of a station with the shared PostgreSQL server, without a window,
// for cron, tests and stations run headless.
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/ProgramOptions.h"
#include "sync/StationSync.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

const QList<OptionRow> Options{
    {{QStringLiteral("data")},
     QStringLiteral("DIR"),
     QStringLiteral("The station's data folder instead of Horodex's own.")},
    {{QStringLiteral("once")},
     {},
     QStringLiteral("One round, then end with its verdict as the exit status.")},
    {{QStringLiteral("take-over-head")},
     {},
     QStringLiteral("Head station: become the database's head in place of another one (a "
                    "computer that replaces the head).")},
};

QString UsageText(const QCommandLineParser& parser)
{
    return HelpText(
        parser, QStringLiteral("Usage: horodex-sync [--data DIR] [--once] [--take-over-head]\n"),
        QStringLiteral(
            "Sends the new punches of the station whose data folder is DIR (by default Horodex's\n"
            "own) to the PostgreSQL server that its station.ini names, and exchanges the employee\n"
            "list and the settings: a head station stores them, a punch station takes them.\n"
            "Without --once it goes on until it is stopped, trying again while the server cannot\n"
            "be reached.\n"),
        QStringLiteral(
            "Exit status with --once: 0 when nothing waits any more and every time file could be\n"
            "sent, 1 when something waits or cannot be sent (the reason on standard error), 2\n"
            "for a command line or station file that cannot be used.\n"));
}

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
    QCommandLineParser parser;
    AddOptions(&parser, Options);
    const Result<CommandLineVerdict> verdict = ReadCommandLine(&parser, app.arguments().mid(1));
    if (!verdict) {
        say(stderr, QStringLiteral("horodex-sync: ") + verdict.failure().error);
        return 2;
    }
    switch (*verdict) {
    case CommandLineVerdict::Help:
        std::fputs(UsageText(parser).toUtf8().constData(), stdout);
        return 0;
    case CommandLineVerdict::Version:
        std::fputs(VersionText(QStringLiteral("horodex-sync")).toUtf8().constData(), stdout);
        return 0;
    case CommandLineVerdict::Run:
        break;
    }
    if (!parser.positionalArguments().isEmpty()) {
        say(stderr, QStringLiteral("horodex-sync: unexpected argument \"%1\" (see --help)")
                        .arg(parser.positionalArguments().constFirst()));
        return 2;
    }
    const bool once = parser.isSet(QStringLiteral("once"));
    const bool takeOver = parser.isSet(QStringLiteral("take-over-head"));
    const QString dataDir = parser.value(QStringLiteral("data"));
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
