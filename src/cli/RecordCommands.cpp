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
    QByteArray bytes;
    if (const IoResult read =
            FileStore::readFile(CorrectionLogPath(), &bytes, MaxCorrectionLogSize, true);
        !read)
        return {read.error, {}};
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
IoResult verifyRecord(const ReportRequest& request, const RecordRead& record, bool atStation,
                      QByteArray* bytes)
{
    const CorrectionLogContents& log = record.contents;
    if (!log.intact())
        return IoResult::failure(log.verdict(record.name));
    QStringList lines{log.verdict(record.name)};
    if (!request.head.isEmpty()) {
        const std::optional<CorrectionLogHead> parsed = CorrectionLogHead::parse(request.head);
        if (!parsed)
            return IoResult::failure(
                QStringLiteral("\"%1\" is not a head N:HASH").arg(request.head));
        const CorrectionLogHead head = *parsed;
        if (const QString missing = MissingFromHead(log, head, record.name); !missing.isEmpty())
            return IoResult::failure(missing);
        if (head.entries > 0)
            lines.append(QStringLiteral("It still holds entry %1 with the hash %2, the head "
                                        "written down.")
                             .arg(head.entries)
                             .arg(QString::fromLatin1(head.hash)));
    }
    if (atStation) {
        const LocalComparison local = CompareLocalRecord(record);
        if (!local.difference.isEmpty())
            return IoResult::failure(local.difference);
        lines.append(local.note);
    }
    lines.append(CorrectionLogHeadText(CorrectionLogHead::of(log)));
    *bytes = lines.join(u'\n').toUtf8() + '\n';
    return IoResult::success();
}

// A record whose chain does not hold is still listed, and the run then fails with its verdict.
IoResult corrections(const ReportRequest& request, PunchStore& punches, bool atStation,
                     QByteArray* bytes, IoResult* broken)
{
    // The record that counts: the server's at a station of several, else the data folder's.
    RecordRead record;
    if (const IoResult read = punches.correctionRecord(&record); !read)
        return IoResult::failure(read.error);
    if (request.verify)
        return verifyRecord(request, record, atStation, bytes);
    const CorrectionLogContents& log = record.contents;
    QList<Correction> selected;
    for (const Correction& c : log.corrections) {
        if (isSelected(c, request))
            selected.append(c);
    }
    const CorrectionLogHead head = CorrectionLogHead::of(log);
    const QString verdict = log.intact() ? QString() : log.verdict(record.name);
    if (!log.intact())
        *broken = IoResult::failure(verdict);
    if (request.format == ReportRequest::Format::Csv) {
        *bytes = correctionsCsv(selected, head, verdict);
        return IoResult::success();
    }
    *bytes = correctionsText(selected);
    QStringList notes;
    if (!log.intact())
        notes.append(verdict);
    if (atStation) {
        if (const QString differs = CompareLocalRecord(record).difference; !differs.isEmpty())
            notes.append(differs);
    }
    notes.append(CorrectionLogHeadText(head));
    if (!bytes->isEmpty())
        *bytes += '\n';
    *bytes += notes.join(u'\n').toUtf8() + '\n';
    return IoResult::success();
}

IoResult whoIsIn(const ReportRequest& request, PunchStore& punches,
                 const SharedFilesReader& readShared, QByteArray* bytes)
{
    OptionsRecord settings;
    EmployeeList list;
    if (const IoResult read = readShared(&settings, &list); !read)
        return IoResult::failure(read.error);
    if (!list.isClean())
        return IoResult::failure(EmployeeListProblemsMessage(list));
    WhoIsInList in;
    const Result<QTimeZone> zone = ReadClockZone();
    if (!zone)
        return zone.failure();
    if (const IoResult r = FindWhoIsIn(list.records, Environment::now(), *zone, punches, &in); !r)
        return IoResult::failure(r.error);
    *bytes = request.format == ReportRequest::Format::Csv
                 ? WhoIsInCsv(in)
                 : WhoIsInText(in, settings.timeFormat(), RegionalFormats::current()).toUtf8();
    return IoResult::success();
}

} // namespace

ReportRun RunRecordRequest(const ReportRequest& request, PunchStore& punches,
                           const SharedFilesReader& readShared, bool atStation)
{
    QByteArray bytes;
    IoResult broken;
    const IoResult run = request.kind == ReportRequest::Kind::Corrections
                             ? corrections(request, punches, atStation, &bytes, &broken)
                             : whoIsIn(request, punches, readShared, &bytes);
    if (!run)
        return run;
    if (request.output.isEmpty())
        return ReportRun(bytes, broken);
    const IoResult written = WriteOutputFiles({{request.output, bytes}});
    return written ? ReportRun(QByteArray(), broken) : ReportRun(written);
}
