#include "cli/RecordCommands.h"

#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/OutputFiles.h"
#include "reports/text/ReportCsv.h"
#include "reports/text/WhoIsIn.h"
#include "sync/ServerCorrections.h"

#include <QStringList>

namespace {

bool isSelected(const Correction& c, const ReportRequest& request)
{
    if (!request.name.isEmpty() &&
        c.employee.trimmed().compare(request.name.trimmed(), Qt::CaseInsensitive) != 0)
        return false;
    const QDate day = c.when.date();
    return !request.from.isValid() || (day >= request.from && day <= request.to);
}

QByteArray correctionsText(const QList<Correction>& corrections)
{
    QString text;
    for (const Correction& c : corrections) {
        text += QStringList{c.when.toString(Qt::ISODate), c.employee, Correction::kindName(c.kind),
                            u'"' + QString::fromLatin1(c.oldLine) + QStringLiteral("\" -> \"") +
                                QString::fromLatin1(c.newLine) + u'"',
                            QStringLiteral("reason: ") + c.reason}
                    .join(QStringLiteral("  "));
        text += u'\n';
    }
    return text.toUtf8();
}

QByteArray correctionsCsv(const QList<Correction>& corrections)
{
    QString csv = QStringLiteral("Saved,Employee,Change,Old Line,New Line,Reason\r\n");
    for (const Correction& c : corrections) {
        QStringList row;
        for (const QString& field :
             {c.when.toString(Qt::ISODate), c.employee, Correction::kindName(c.kind),
              QString::fromLatin1(c.oldLine), QString::fromLatin1(c.newLine), c.reason})
            row.append(ReportCsv::Field(field));
        csv += row.join(u',') + QStringLiteral("\r\n");
    }
    return csv.toUtf8();
}

ReportRun corrections(const ReportRequest& request, SyncDatabase* server, QByteArray* bytes)
{
    CorrectionLogContents log;
    QByteArray record;
    const IoResult read =
        server ? ReadServerCorrectionLog(*server, &record) : ReadCorrectionLog(&log);
    if (!read)
        return {read.error, {}};
    if (server)
        log = ParseCorrectionLog(record);
    if (request.verify) {
        if (!log.intact())
            return {log.verdict(), {}};
        *bytes = log.verdict().toUtf8() + '\n';
        return {};
    }
    QList<Correction> selected;
    for (const Correction& c : log.corrections) {
        if (isSelected(c, request))
            selected.append(c);
    }
    if (request.format == ReportRequest::Format::Csv) {
        *bytes = correctionsCsv(selected);
    } else {
        *bytes = correctionsText(selected);
        if (!log.intact())
            *bytes += "\n" + log.verdict().toUtf8() + '\n';
    }
    return {};
}

ReportRun whoIsIn(const ReportRequest& request, QByteArray* bytes)
{
    OptionsRecord settings;
    if (const IoResult read = ReadOptionsFile(&settings); !read)
        return {read.error, {}};
    EmployeeList list;
    if (const IoResult read = ReadEmployeeList(&list); !read)
        return {read.error, {}};
    if (!list.isClean())
        return {EmployeeListProblemsMessage(list), {}};
    const WhoIsInList in =
        FindWhoIsIn(list.records, Environment::now(), QTimeZone::systemTimeZone());
    *bytes = request.format == ReportRequest::Format::Csv
                 ? WhoIsInCsv(in)
                 : WhoIsInText(in, settings.timeFormat(), RegionalFormats::current()).toUtf8();
    return {};
}

} // namespace

ReportRun RunRecordRequest(const ReportRequest& request, SyncDatabase* server)
{
    QByteArray bytes;
    const ReportRun run = request.kind == ReportRequest::Kind::Corrections
                              ? corrections(request, server, &bytes)
                              : whoIsIn(request, &bytes);
    if (!run.error.isEmpty() || request.output.isEmpty())
        return {run.error, run.error.isEmpty() ? bytes : QByteArray()};
    const IoResult written = WriteOutputFiles({{request.output, bytes}});
    return {written ? QString() : written.error, {}};
}
