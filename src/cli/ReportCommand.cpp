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
    return IoResult::failure(line);
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
// station is the data folder's station (empty without one); headFiles tells that the employee
// list and settings come from the server (--database for a folder that is no station's).
IoResult OpenServer(const ReportRequest& request, std::unique_ptr<SyncDatabase>* database,
                    QString* station, bool* headFiles)
{
    *headFiles = false;
    station->clear();
    std::optional<StationConfig> config;
    if (const IoResult read = ReadStationConfig(&config); !read)
        return read;
    if (config)
        *station = config->station;
    DatabaseAddress address;
    if (!request.database.isEmpty()) {
        if (const IoResult parsed = ParseDatabaseUri(request.database, &address); !parsed)
            return parsed;
        // A punch station keeps no pay data: its reports take the head's files.
        *headFiles = !config || !config->isHead();
    } else if (config) {
        const bool payroll = request.kind == ReportRequest::Kind::Single ||
                             request.kind == ReportRequest::Kind::Multiple;
        if (payroll && !config->isHead())
            return IoResult::failure(PayrollAtHeadText(config->station));
        address = config->database;
    } else {
        return IoResult::success();
    }
    *database = std::make_unique<SyncDatabase>(address);
    return (*database)->open();
}

// The settings and the employee list: the data folder's, or the head station's newest from the
// server.
IoResult ReadShared(SyncDatabase* server, bool headFiles, OptionsRecord* settings,
                    EmployeeList* list)
{
    if (!headFiles) {
        if (const IoResult read = ReadOptionsFile(settings); !read)
            return read;
        return ReadEmployeeList(list);
    }
    return ReadHeadFiles(*server, settings, list);
}

Result<ReportTexts> BuildReport(const ReportRequest& request, const EmployeeList& list,
                                const OptionsRecord& settings, PunchStore& punches)
{
    ReportOptions options = OptionsOf(request, settings);
    const Result<QTimeZone> zone = ReadClockZone();
    if (!zone)
        return zone.failure();
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
    return IoResult::failure(
        QStringLiteral("Employee not found: there is no employee named \"%1\" in \"%2\"")
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
    std::unique_ptr<SyncDatabase> server;
    QString station;
    bool headFiles = false;
    if (const IoResult opened = OpenServer(request, &server, &station, &headFiles); !opened)
        return Failed(opened.error);
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
            request, punches,
            [&server, headFiles](OptionsRecord* settings, EmployeeList* list) {
                return ReadShared(server.get(), headFiles, settings, list);
            },
            atStation);
    }
    OptionsRecord settings;
    EmployeeList list;
    if (const IoResult read = ReadShared(server.get(), headFiles, &settings, &list); !read)
        return Failed(read.error);
    if (request.kind == ReportRequest::Kind::Exceptions) {
        // A time card from the server is a round trip per employee: the list reads folders only.
        if (server)
            return Failed(QStringLiteral("exceptions reads the time files of a data folder; the "
                                         "punches of this one are on the server"));
        QByteArray bytes;
        IoResult attention;
        if (const IoResult r =
                ExceptionsReport(request, settings, list, punches, &bytes, &attention);
            !r)
            return Failed(r.error);
        if (request.output.isEmpty())
            return ReportRun(bytes, attention);
        const IoResult written = WriteOutputFiles({{request.output, bytes}});
        return written ? ReportRun(QByteArray(), attention) : Failed(written.error);
    }
    // A payroll report must not leave anybody out unnoticed.
    if (!list.isClean())
        return Failed(EmployeeListProblemsMessage(list));
    const Result<ReportTexts> report = BuildReport(request, list, settings, punches);
    if (!report)
        return Failed(report.failure().error);

    const QString text = report->fullText();
    QByteArray bytes;
    switch (request.format) {
    case ReportRequest::Format::Text:
        bytes = text.toUtf8();
        break;
    case ReportRequest::Format::Csv:
        if (!request.output.isEmpty()) {
            const IoResult saved = ReportCsv::Save(report->Figures, request.output, true);
            return saved ? ReportRun(QByteArray()) : Failed(saved.error);
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
    const IoResult written = WriteOutputFiles({{request.output, bytes}});
    return written ? ReportRun(QByteArray()) : Failed(written.error);
}
