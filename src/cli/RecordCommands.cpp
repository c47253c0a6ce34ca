#include "cli/RecordCommands.h"

#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/OutputFiles.h"
#include "reports/text/ReportCsv.h"
#include "reports/text/WhoIsIn.h"
#include "sync/ServerCorrections.h"
#include "sync/ServerWhoIsIn.h"
#include "sync/SharedFiles.h"

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

// A hand-edited record may hold escape sequences: none reaches the terminal.
QString Printable(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return text;
}

QByteArray correctionsText(const QList<Correction>& corrections)
{
    QString text;
    for (const Correction& c : corrections) {
        text += QStringList{c.when.toString(Qt::ISODate), Printable(c.employee),
                            Correction::kindName(c.kind),
                            u'"' + Printable(QString::fromLatin1(c.oldLine)) +
                                QStringLiteral("\" -> \"") +
                                Printable(QString::fromLatin1(c.newLine)) + u'"',
                            QStringLiteral("reason: ") + Printable(c.reason)}
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

ReportRun whoIsIn(const ReportRequest& request, SyncDatabase* server, const QString& station,
                  bool headFiles, QByteArray* bytes)
{
    OptionsRecord settings;
    EmployeeList list;
    const IoResult read =
        headFiles ? ReadHeadFiles(*server, &settings, &list) : ReadOptionsFile(&settings);
    if (!read)
        return {read.error, {}};
    if (!headFiles) {
        if (const IoResult names = ReadEmployeeList(&list); !names)
            return {names.error, {}};
    }
    if (!list.isClean())
        return {EmployeeListProblemsMessage(list), {}};
    WhoIsInList in;
    if (server) {
        if (const IoResult r =
                FindWhoIsInEverywhere(*server, station, list.records, Environment::now(),
                                      QTimeZone::systemTimeZone(), &in);
            !r)
            return {r.error, {}};
    } else {
        in = FindWhoIsIn(list.records, Environment::now(), QTimeZone::systemTimeZone());
    }
    *bytes = request.format == ReportRequest::Format::Csv
                 ? WhoIsInCsv(in)
                 : WhoIsInText(in, settings.timeFormat(), RegionalFormats::current()).toUtf8();
    return {};
}

} // namespace

ReportRun RunRecordRequest(const ReportRequest& request, SyncDatabase* server,
                           const QString& station, bool headFiles)
{
    QByteArray bytes;
    const ReportRun run = request.kind == ReportRequest::Kind::Corrections
                              ? corrections(request, server, &bytes)
                              : whoIsIn(request, server, station, headFiles, &bytes);
    if (!run.error.isEmpty() || request.output.isEmpty())
        return {run.error, run.error.isEmpty() ? bytes : QByteArray()};
    const IoResult written = WriteOutputFiles({{request.output, bytes}});
    return {written ? QString() : written.error, {}};
}
