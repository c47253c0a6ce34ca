#include "cli/ReportCommand.h"

#include "cli/RecordCommands.h"

#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/Messages.h"
#include "data/OptionsRecord.h"
#include "data/OutputFiles.h"
#include "reports/ReportExport.h"
#include "reports/text/MultipleReportText.h"
#include "reports/text/ReportCsv.h"
#include "reports/text/SingleReportText.h"
#include "sync/ServerReports.h"
#include "sync/SyncDatabase.h"

#include <QDir>

namespace {

// Keeps the messages the core would show in a window, for as long as it lives.
class MessageCapture
{
public:
    MessageCapture()
        : m_previous(Messages::setPresenter([this](const Messages::Message& message) {
              m_texts.append(message.text);
              return message.askYesNo ? Messages::Answer::No : Messages::Answer::Ok;
          }))
    {
    }
    ~MessageCapture() { Messages::setPresenter(std::move(m_previous)); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    QString first() const
    {
        return m_texts.isEmpty() ? QStringLiteral("the report could not be built")
                                 : m_texts.constFirst();
    }

private:
    QStringList m_texts;
    Messages::Presenter m_previous;
};

ReportRun Failure(const QString& message)
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

ReportOptions OptionsOf(const ReportRequest& request)
{
    ReportOptions options; // after the settings are read: it copies them
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
std::optional<ReportTexts> BuildReport(const ReportRequest& request, const EmployeeList& list,
                                       SyncDatabase* server, QString* error)
{
    if (request.kind == ReportRequest::Kind::Multiple) {
        const MultipleReportInput input{list.records, request.shift, OptionsOf(request)};
        return server ? CreateMultipleReportFromServer(*server, input, error)
                      : CreateMultipleReport(input);
    }
    for (const EmployeeRecord& record : list.records) {
        if (record.Name == request.name) {
            const SingleReportStyle style =
                request.timeCard ? SingleReportStyle::TimeCard : SingleReportStyle::DailyHours;
            const SingleReportInput input{request.name, record, style, OptionsOf(request)};
            return server ? CreateSingleReportFromServer(*server, input, error)
                          : CreateSingleReport(input);
        }
    }
    *error = QStringLiteral("Employee not found: there is no employee named \"%1\" in \"%2\"")
                 .arg(request.name, QDir::toNativeSeparators(EmployeeListPath()));
    return std::nullopt;
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
            return Failure(failed);
        return RunRecordRequest(request, server.get());
    }
    MessageCapture messages;
    // The overtime rule is read from the program-wide settings by the time objects.
    if (const IoResult read = ReadOptionsFile(&GlobalOptions()); !read)
        return Failure(read.error);
    EmployeeList list;
    if (const IoResult read = ReadEmployeeList(&list); !read)
        return Failure(read.error);
    // A payroll report must not leave anybody out unnoticed.
    if (!list.isClean())
        return Failure(EmployeeListProblemsMessage(list));

    std::unique_ptr<SyncDatabase> server;
    if (const QString failed = OpenServer(request, &server); !failed.isEmpty())
        return Failure(failed);
    QString error;
    const std::optional<ReportTexts> report = BuildReport(request, list, server.get(), &error);
    if (!report)
        return Failure(error.isEmpty() ? messages.first() : error);

    const QString text = report->fullText();
    QByteArray bytes;
    switch (request.format) {
    case ReportRequest::Format::Text:
        bytes = text.toUtf8();
        break;
    case ReportRequest::Format::Csv:
        if (!request.output.isEmpty()) {
            const IoResult saved = ReportCsv::Save(report->Figures, request.output, true);
            return saved ? ReportRun{} : Failure(saved.error);
        }
        bytes = ReportCsv::Payroll(report->Figures);
        break;
    case ReportRequest::Format::Pdf:
        // No printer here: the paper is the region's.
        bytes = ReportPdf(text, RegionalPaper(Environment::regionalLocale()));
        if (bytes.isEmpty())
            return Failure(QStringLiteral("the report could not be laid out as PDF pages"));
        break;
    }
    if (request.output.isEmpty())
        return {QString(), bytes};
    const IoResult written = WriteOutputFiles({{request.output, bytes}});
    return written ? ReportRun{} : Failure(written.error);
}
