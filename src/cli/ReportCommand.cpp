#include "cli/ReportCommand.h"

#include "cli/RecordCommands.h"

#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/OutputFiles.h"
#include "render/ReportPdf.h"
#include "reports/text/MultipleReportText.h"
#include "reports/text/ReportCsv.h"
#include "reports/text/SingleReportText.h"
#include "sync/ServerReports.h"
#include "sync/SyncDatabase.h"

#include <QDir>

#include <memory>

namespace {

ReportRun Failed(const QString& message)
{
    QString line = message;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    constexpr int MaxLength = 1000; // one line that cron mails, not a megabyte
    if (line.size() > MaxLength)
        line = line.left(MaxLength - 1) + QStringLiteral("…");
    return {line, QByteArray()};
}

ReportOptions OptionsOf(const ReportRequest& request, const OptionsRecord& settings)
{
    ReportOptions options;
    options.settings = settings;
    options.from = request.from;
    options.to = request.to;
    options.includeSsn = request.includeSsn;
    options.includeAddress = request.includeAddress;
    return options;
}

// The server of --database, or of the data folder's station.ini; none for the time files.
QString OpenServer(const ReportRequest& request, std::unique_ptr<SyncDatabase>* database)
{
    DatabaseAddress address;
    if (!request.database.isEmpty()) {
        if (const IoResult parsed = ParseDatabaseUri(request.database, &address); !parsed)
            return parsed.error;
    } else {
        std::optional<StationConfig> station;
        if (const IoResult read = ReadStationConfig(&station); !read)
            return read.error;
        if (!station)
            return QString();
        address = station->database;
    }
    *database = std::make_unique<SyncDatabase>(address);
    const IoResult opened = (*database)->open();
    return opened ? QString() : opened.error;
}

// From the server when one is given, else from the time files.
Result<ReportTexts> BuildReport(const ReportRequest& request, const EmployeeList& list,
                                const OptionsRecord& settings, SyncDatabase* server)
{
    const ReportOptions options = OptionsOf(request, settings);
    if (request.kind == ReportRequest::Kind::Multiple) {
        const MultipleReportInput input{list.records, request.shift, options};
        return server ? CreateMultipleReportFromServer(*server, input)
                      : CreateMultipleReport(input);
    }
    for (const EmployeeRecord& record : list.records) {
        if (record.Name == request.name) {
            const SingleReportStyle style =
                request.timeCard ? SingleReportStyle::TimeCard : SingleReportStyle::DailyHours;
            const SingleReportInput input{request.name, record, style, options};
            return server ? CreateSingleReportFromServer(*server, input)
                          : CreateSingleReport(input);
        }
    }
    return Failure{QStringLiteral("Employee not found: there is no employee named \"%1\" in \"%2\"")
                       .arg(request.name, QDir::toNativeSeparators(EmployeeListPath())),
                   EmployeeListPath()};
}

} // namespace

ReportRun RunReportRequest(const ReportRequest& request)
{
    if (!request.dataDir.isEmpty())
        Environment::setDataDirectory(QDir(request.dataDir).absolutePath());
    if (request.kind == ReportRequest::Kind::WhoIsIn)
        return RunRecordRequest(request);
    if (request.kind == ReportRequest::Kind::Corrections) {
        std::unique_ptr<SyncDatabase> server;
        if (const QString failed = OpenServer(request, &server); !failed.isEmpty())
            return Failed(failed);
        // The data folder's own record is compared only where station.ini joins it to the server.
        const bool atStation = server && request.database.isEmpty();
        return RunRecordRequest(request, server.get(), atStation);
    }
    OptionsRecord settings;
    if (const IoResult read = ReadOptionsFile(&settings); !read)
        return Failed(read.error);
    EmployeeList list;
    if (const IoResult read = ReadEmployeeList(&list); !read)
        return Failed(read.error);
    // A payroll report must not leave anybody out unnoticed.
    if (!list.isClean())
        return Failed(EmployeeListProblemsMessage(list));

    std::unique_ptr<SyncDatabase> server;
    if (const QString failed = OpenServer(request, &server); !failed.isEmpty())
        return Failed(failed);
    const Result<ReportTexts> report = BuildReport(request, list, settings, server.get());
    if (!report)
        return Failed(report.failure().message);

    const QString text = report->fullText();
    QByteArray bytes;
    switch (request.format) {
    case ReportRequest::Format::Text:
        bytes = text.toUtf8();
        break;
    case ReportRequest::Format::Csv:
        if (!request.output.isEmpty()) {
            const IoResult saved = ReportCsv::Save(report->Figures, request.output, true);
            return saved ? ReportRun{} : Failed(saved.error);
        }
        bytes = ReportCsv::Payroll(report->Figures);
        break;
    case ReportRequest::Format::Pdf:
        // No printer here: the paper is the region's.
        bytes = ReportPdf(text, RegionalPaper(Environment::regionalLocale()));
        if (bytes.isEmpty())
            return Failed(QStringLiteral("the report could not be laid out as PDF pages"));
        break;
    }
    if (request.output.isEmpty())
        return {QString(), bytes};
    const IoResult written = WriteOutputFiles({{request.output, bytes}});
    return written ? ReportRun{} : Failed(written.error);
}
