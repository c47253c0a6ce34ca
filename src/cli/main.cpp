// horodex-report: the payroll reports of Horodex without a window, for scripts and cron.
#include "cli/ReportCommand.h"
#include "data/ProgramOptions.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

void printError(const QString& message)
{
    std::fprintf(stderr, "horodex-report: %s\n", message.toUtf8().constData());
}

// Standard error carries only the program's own one-line message, so that cron mails nothing
// about a report that was written; Qt's notes (no XDG_RUNTIME_DIR in a cron job) are dropped.
void keepQtNotesOffStandardError(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

// All of it or a failure: a short write to a full disk or a closed pipe is reported.
bool writeOut(const QByteArray& bytes)
{
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && written;
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(keepQtNotesOffStandardError);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const Result<ReportRequest> parsed = ParseReportArguments(arguments);
    if (!parsed) {
        printError(parsed.message());
        return 2;
    }
    if (parsed->kind == ReportRequest::Kind::Help)
        return writeOut(ReportUsage().toUtf8()) ? 0 : 1;
    if (parsed->kind == ReportRequest::Kind::Version)
        return writeOut(VersionText(QStringLiteral("horodex-report")).toUtf8()) ? 0 : 1;

    // Fonts and pages need the GUI library, but never a display.
    std::unique_ptr<QCoreApplication> app;
    if (parsed->format == ReportRequest::Format::Pdf) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const ReportRun run = RunReportRequest(*parsed);
    if (!run) {
        printError(run.message());
        return 1;
    }
    if (const bool payroll = parsed->kind == ReportRequest::Kind::Single ||
                             parsed->kind == ReportRequest::Kind::Multiple ||
                             parsed->kind == ReportRequest::Kind::WhoIsIn ||
                             parsed->kind == ReportRequest::Kind::Exceptions;
        payroll) {
        if (const QString note = ClockZoneNote(); !note.isEmpty())
            std::fprintf(stderr, "horodex-report: note: %s\n", note.toUtf8().constData());
    }
    if (!writeOut(*run)) {
        printError(QStringLiteral("the report could not be written to standard output"));
        return 1;
    }
    // A report that was written but cannot be trusted (a broken record) still fails.
    if (run.hasWarning()) {
        printError(run.message());
        return 1;
    }
    return 0;
}
