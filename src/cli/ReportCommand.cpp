#include "cli/ReportCommand.h"

#include "cli/ExceptionsCommand.h"
#include "cli/RecordCommands.h"

#include "data/ClockZone.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/OutputFiles.h"
#include "payroll/MultipleReportText.h"
#include "payroll/ReportCsv.h"
#include "payroll/SingleReportText.h"
#include "render/ReportPdf.h"
#include "sync/ServerPunchStore.h"
#include "sync/SharedFiles.h"
#include "sync/StationLink.h"
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
    return Failure(line);
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

// Where the report's files come from: the server of --database, or of the data folder's
// station.ini; none for the time files. station is the data folder's station (empty without one);
// headFiles tells that the employee list and settings come from the server (--database for a
// folder that is no station's).
struct ReportSource
{
    std::unique_ptr<SyncDatabase> server;
    QString station;
    bool headFiles = false;
};

Result<ReportSource> OpenServer(const ReportRequest& request)
{
    ReportSource source;
    std::optional<StationConfig> config;
    if (const Result<> read = ReadStationConfig(&config); read.failed())
        return read.error();
    if (config)
        source.station = config->station;
    DatabaseAddress address;
    if (!request.database.isEmpty()) {
        if (const Result<> parsed = ParseDatabaseUri(request.database, &address); parsed.failed())
            return parsed.error();
        // A punch station keeps no pay data: its reports take the head's files.
        source.headFiles = !config || !config->isHead();
    } else if (config) {
        const bool payroll = request.kind == ReportRequest::Kind::Single ||
                             request.kind == ReportRequest::Kind::Multiple;
        if (payroll && !config->isHead())
            return Failure(PayrollAtHeadText(config->station));
        address = config->database;
    } else {
        return source;
    }
    source.server = std::make_unique<SyncDatabase>(address);
    if (const Result<> opened = source.server->open(); opened.failed())
        return opened.error();
    return source;
}

// The settings and the employee list: the data folder's, or the head station's newest from the
// server.
Result<SharedFiles> ReadShared(SyncDatabase* server, bool headFiles)
{
    SharedFiles files;
    if (headFiles) {
        if (const Result<> read = ReadHeadFiles(*server, &files.settings, &files.list);
            read.failed())
            return read.error();
        return files;
    }
    const Result<OptionsRecord> settings = ReadOptionsFile();
    if (settings.failed())
        return settings.error();
    const Result<EmployeeList> list = ReadEmployeeList();
    if (list.failed())
        return list.error();
    return SharedFiles{*settings, *list};
}

Result<ReportTexts> BuildReport(const ReportRequest& request, const EmployeeList& list,
                                const OptionsRecord& settings, PunchStore& punches)
{
    ReportOptions options = OptionsOf(request, settings);
    const Result<QTimeZone> zone = ReadClockZone();
    if (zone.failed())
        return zone.error();
    options.zone = *zone;
    if (request.kind == ReportRequest::Kind::Multiple) {
        const MultipleReportInput input{list.records, request.shift, options};
        return CreateMultipleReport(input, punches);
    }
    for (const EmployeeRecord& record : list.records) {
        if (record.Name == request.name) {
            const SingleReportStyle style =
                request.timeCard ? SingleReportStyle::TimeCard : SingleReportStyle::DailyHours;
            const SingleReportInput input{request.name, record, style, options};
            return CreateSingleReport(input, punches);
        }
    }
    return Failure(QStringLiteral("Employee not found: there is no employee named \"%1\" in \"%2\"")
                       .arg(request.name, QDir::toNativeSeparators(EmployeeListPath())));
}

} // namespace

QString ClockZoneNote()
{
    const Result<QTimeZone> zone = ReadClockZone();
    if (!zone || *zone == QTimeZone::systemTimeZone())
        return QString();
    return QStringLiteral("the punches were read in the time zone of the data folder, %1, not in "
                          "this computer's, %2 (\"%3\")")
        .arg(QString::fromUtf8(zone->id()), QString::fromUtf8(QTimeZone::systemTimeZoneId()),
             QDir::toNativeSeparators(ClockZonePath()));
}

ReportRun RunReportRequest(const ReportRequest& request)
{
    if (!request.dataDir.isEmpty())
        Environment::setDataDirectory(QDir(request.dataDir).absolutePath());
    Result<ReportSource> opened = OpenServer(request);
    if (opened.failed())
        return Failed(opened.message());
    const std::unique_ptr<SyncDatabase> server = std::move(opened->server);
    const QString station = opened->station;
    const bool headFiles = opened->headFiles;
    // The punches of every station when there is a server, else the data folder's.
    std::unique_ptr<ServerPunchStore> fromServer;
    if (server)
        fromServer = std::make_unique<ServerPunchStore>(*server, station);
    PunchStore& punches = fromServer ? *fromServer : DataFolderPunches();
    if (request.kind == ReportRequest::Kind::WhoIsIn ||
        request.kind == ReportRequest::Kind::Corrections) {
        // The data folder's own record is compared only where station.ini joins it to the server.
        const bool atStation = server && !station.isEmpty() && request.database.isEmpty();
        return RunRecordRequest(
            request, punches, [&server, headFiles] { return ReadShared(server.get(), headFiles); },
            atStation);
    }
    const Result<SharedFiles> shared = ReadShared(server.get(), headFiles);
    if (shared.failed())
        return Failed(shared.message());
    const OptionsRecord& settings = shared->settings;
    const EmployeeList& list = shared->list;
    if (request.kind == ReportRequest::Kind::Exceptions) {
        // A time card from the server is a round trip per employee: the list reads folders only.
        if (server)
            return Failed(QStringLiteral("exceptions reads the time files of a data folder; the "
                                         "punches of this one are on the server"));
        const Result<QByteArray> made = ExceptionsReport(request, settings, list, punches);
        if (made.failed())
            return Failed(made.message());
        if (request.output.isEmpty())
            return made;
        const Result<> written = WriteOutputFiles({{request.output, *made}});
        if (written.failed())
            return Failed(written.message());
        return made.hasWarning() ? ReportRun(QByteArray(), Warning(made.message()))
                                 : ReportRun(QByteArray());
    }
    // A payroll report must not leave anybody out unnoticed.
    if (!list.isClean())
        return Failed(EmployeeListProblemsMessage(list));
    const Result<ReportTexts> report = BuildReport(request, list, settings, punches);
    if (report.failed())
        return Failed(report.message());

    const QString text = report->fullText();
    QByteArray bytes;
    switch (request.format) {
    case ReportRequest::Format::Text:
        bytes = text.toUtf8();
        break;
    case ReportRequest::Format::Csv:
        if (!request.output.isEmpty()) {
            const Result<> saved = ReportCsv::Save(report->Figures, request.output, true);
            return saved.ok() ? ReportRun(QByteArray()) : Failed(saved.message());
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
        return bytes;
    const Result<> written = WriteOutputFiles({{request.output, bytes}});
    return written.ok() ? ReportRun(QByteArray()) : Failed(written.message());
}
