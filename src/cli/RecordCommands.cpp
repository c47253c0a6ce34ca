#include "cli/RecordCommands.h"

#include "data/ClockZone.h"
#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/OutputFiles.h"
#include "payroll/ReportCsv.h"
#include "payroll/WhoIsIn.h"

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

// The last row holds the record's head (Change "head", Reason N:HASH), whatever was selected;
// before it, a record that does not hold says where (Change "verdict").
QByteArray correctionsCsv(const QList<Correction>& corrections, const CorrectionLogHead& head,
                          const QString& brokenVerdict)
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
    if (!brokenVerdict.isEmpty())
        csv += QStringLiteral(",,verdict,,,") + ReportCsv::Field(brokenVerdict) +
               QStringLiteral("\r\n");
    csv += QStringLiteral(",,head,,,") + head.text() + QStringLiteral("\r\n");
    return csv.toUtf8();
}

using RecordRead = PunchStore::CorrectionRecord;

struct LocalComparison
{
    QString difference; // the first line where the station's file is not the server's record
    QString note;       // what was compared, when nothing differs
};

// At a station the server's record counts; the data folder's corrections.log is what this
// computer recorded before it joined, which the head carries over: the start of the server's.
LocalComparison CompareLocalRecord(const RecordRead& server)
{
    const Result<QByteArray> read =
        FileStore::readFile(CorrectionLogPath(), MaxCorrectionLogSize, true);
    if (read.failed())
        return {read.message(), {}};
    const QByteArray& bytes = *read;
    const QString local = LocalCorrectionLogName();
    if (!FileStore::exists(CorrectionLogPath()))
        return {
            {},
            QStringLiteral("Nothing to compare at this station: %1 does not exist.").arg(local)};
    const QList<QByteArray> mine = CorrectionLogLines(bytes);
    const QList<QByteArray> theirs = CorrectionLogLines(server.bytes);
    const qsizetype first = FirstLineNotIn(mine, theirs);
    if (first == 0)
        return {{},
                mine.size() == 1
                    ? QStringLiteral("Its first line is %1 at this station.").arg(local)
                    : QStringLiteral("Its first %1 lines are %2 at this station, line for line.")
                          .arg(mine.size())
                          .arg(local)};
    if (first > theirs.size())
        return {QStringLiteral("Line %1 of %2 and any after it are not on %3: a head station "
                               "carries its record over at its next exchange with the server, a "
                               "punch station's stays in its folder.")
                    .arg(first)
                    .arg(local, server.name),
                {}};
    return {QStringLiteral("Line %1 of %2 differs from line %1 of %3, the record that counts.")
                .arg(first)
                .arg(local, server.name),
            {}};
}

// --verify: the chain, the head written down, and at a station the local file against the
// server's record; the first that fails is the error.
Result<QByteArray> verifyRecord(const ReportRequest& request, const RecordRead& record,
                                bool atStation)
{
    const CorrectionLogContents& log = record.contents;
    if (!log.intact())
        return Failure(log.verdict(record.name));
    QStringList lines{log.verdict(record.name)};
    if (!request.head.isEmpty()) {
        const std::optional<CorrectionLogHead> parsed = CorrectionLogHead::parse(request.head);
        if (!parsed)
            return Failure(QStringLiteral("\"%1\" is not a head N:HASH").arg(request.head));
        const CorrectionLogHead head = *parsed;
        if (const QString missing = MissingFromHead(log, head, record.name); !missing.isEmpty())
            return Failure(missing);
        if (head.entries > 0)
            lines.append(QStringLiteral("It still holds entry %1 with the hash %2, the head "
                                        "written down.")
                             .arg(head.entries)
                             .arg(QString::fromLatin1(head.hash)));
    }
    if (atStation) {
        const LocalComparison local = CompareLocalRecord(record);
        if (!local.difference.isEmpty())
            return Failure(local.difference);
        lines.append(local.note);
    }
    lines.append(CorrectionLogHeadText(CorrectionLogHead::of(log)));
    return lines.join(u'\n').toUtf8() + '\n';
}

// A record whose chain does not hold is still listed with its verdict as the warning, and the
// run then fails with it.
ReportRun corrections(const ReportRequest& request, PunchStore& punches, bool atStation)
{
    // The record that counts: the server's at a station of several, else the data folder's.
    RecordRead record;
    if (const Result<> read = punches.correctionRecord(&record); read.failed())
        return read.error();
    if (request.verify)
        return verifyRecord(request, record, atStation);
    const CorrectionLogContents& log = record.contents;
    QList<Correction> selected;
    for (const Correction& c : log.corrections) {
        if (isSelected(c, request))
            selected.append(c);
    }
    const CorrectionLogHead head = CorrectionLogHead::of(log);
    const QString verdict = log.intact() ? QString() : log.verdict(record.name);
    const auto listed = [&verdict](QByteArray bytes) {
        return verdict.isEmpty() ? ReportRun(std::move(bytes))
                                 : ReportRun(std::move(bytes), Warning(verdict));
    };
    if (request.format == ReportRequest::Format::Csv)
        return listed(correctionsCsv(selected, head, verdict));
    QByteArray bytes = correctionsText(selected);
    QStringList notes;
    if (!log.intact())
        notes.append(verdict);
    if (atStation) {
        if (const QString differs = CompareLocalRecord(record).difference; !differs.isEmpty())
            notes.append(differs);
    }
    notes.append(CorrectionLogHeadText(head));
    if (!bytes.isEmpty())
        bytes += '\n';
    bytes += notes.join(u'\n').toUtf8() + '\n';
    return listed(std::move(bytes));
}

Result<QByteArray> whoIsIn(const ReportRequest& request, PunchStore& punches,
                           const SharedFilesReader& readShared)
{
    const Result<SharedFiles> shared = readShared();
    if (shared.failed())
        return shared.error();
    const EmployeeList& list = shared->list;
    if (!list.isClean())
        return Failure(EmployeeListProblemsMessage(list));
    const Result<QTimeZone> zone = ReadClockZone();
    if (zone.failed())
        return zone.error();
    const Result<WhoIsInList> in = FindWhoIsIn(list.records, Environment::now(), *zone, punches);
    if (in.failed())
        return in.error();
    return request.format == ReportRequest::Format::Csv
               ? WhoIsInCsv(*in)
               : WhoIsInText(*in, shared->settings.timeFormat(), RegionalFormats::current())
                     .toUtf8();
}

} // namespace

ReportRun RunRecordRequest(const ReportRequest& request, PunchStore& punches,
                           const SharedFilesReader& readShared, bool atStation)
{
    const ReportRun run = request.kind == ReportRequest::Kind::Corrections
                              ? corrections(request, punches, atStation)
                              : whoIsIn(request, punches, readShared);
    if (run.failed() || request.output.isEmpty())
        return run;
    if (const Result<> written = WriteOutputFiles({{request.output, *run}}); written.failed())
        return written.error();
    return run.hasWarning() ? ReportRun(QByteArray(), Warning(run.message()))
                            : ReportRun(QByteArray());
}
