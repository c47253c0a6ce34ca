#include "punch/ForgottenOut.h"

#include "data/Environment.h"
#include "data/FileStore.h"

#include <QHash>

#include <algorithm>

namespace ForgottenOut {

namespace {

// The wall clock of the time file, in the minute, as a punch now would be written.
QDateTime wallClock(const QDateTime& moment, const QTimeZone& zone)
{
    const QTime t = moment.time();
    return QDateTime(moment.date(), QTime(t.hour(), t.minute()), zone);
}

QDateTime momentOf(const TimeRecord& record, const QTimeZone& zone)
{
    const QDate date = ParseFileDate(record.PunchDate);
    const QTime time = QTime::fromString(record.PunchTime, QStringLiteral("hh:mm"));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, zone);
}

QByteArray withoutLineEnd(const QByteArray& line)
{
    return line.left(PunchLine::LineEnd.offset);
}

QString when(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("MM/dd/yyyy HH:mm"));
}

// The question asked again from the file itself, which is what the lines are appended to.
Result<Question> askFile(const QString& employee, int limitHours, const QTimeZone& zone)
{
    const QString path = TimeFilePath(employee);
    std::optional<TimeRecord> last;
    bool whole = true;
    if (const IoResult read = ReadLastRecord(employee, &last, &whole); !read)
        return read;
    if (!whole)
        return IoResult::failure(TimeFileLengthMessage(path));
    const std::optional<Question> asked = questionNow(employee, last, limitHours, zone);
    if (!asked)
        return IoResult::failure(
            QStringLiteral("Nothing was written: the last punch in \"%1\" is not an IN open for "
                           "more than %2 hours any more.")
                .arg(FileStore::displayPath(path))
                .arg(limitHours));
    return *asked;
}

// The punch lines appended in one write: a crash leaves none of them, or a torn last one that
// the next punch replaces.
IoResult appendLines(const QString& employee, const QByteArray& lines)
{
    const QString path = TimeFilePath(employee);
    const FileStore::Entry entry = FileStore::examine(path);
    const qint64 whole = entry.size - entry.size % TimeRecord::Size;
    if (entry.kind == FileStore::Entry::Kind::Regular && whole + lines.size() > MaxTimeFileSize)
        return IoResult::failure(TimeFileTooLargeMessage(path, entry.size));
    return FileStore::appendToFile(path, lines, {TimeRecord::Size, IsTornRecord});
}

// The time file first, then its line in the record: the record never claims a punch that the
// file does not hold. A record that cannot be read stops everything before the time file.
Result<Declared> writeAndRecord(const QString& employee, Correction::Kind kind,
                                const QByteArray& outLine, const QByteArray& inLine,
                                const QString& reason)
{
    Declared declared;
    declared.outLine = withoutLineEnd(outLine);
    declared.inLine = withoutLineEnd(inLine);
    declared.recorded = {Environment::now(), employee, kind, {}, declared.outLine, reason};
    CorrectionLogEnd end;
    if (const IoResult tail = ReadCorrectionLogEnd(&end); !tail)
        return tail;
    if (const IoResult written = appendLines(employee, outLine + inLine); !written)
        return written;
    if (const IoResult logged = AppendCorrections(end, {declared.recorded}); !logged)
        return IoResult::failure(
            QStringLiteral("The punch was written, but its line in the record of corrections "
                           "could not be: tell the manager. %1")
                .arg(logged.error));
    return declared;
}

} // namespace

std::optional<Question> question(const QString& employee, const std::optional<TimeRecord>& last,
                                 const QDateTime& now, int limitHours, const QTimeZone& zone)
{
    if (!last || !last->isIn())
        return std::nullopt;
    const QDateTime since = momentOf(*last, zone);
    if (!since.isValid() || since.secsTo(now) <= qint64(limitHours) * 3600)
        return std::nullopt;
    return Question{employee, *last, since, now};
}

std::optional<Question> questionNow(const QString& employee, const std::optional<TimeRecord>& last,
                                    int limitHours, const QTimeZone& zone)
{
    return question(employee, last, wallClock(Environment::now(), zone), limitHours, zone);
}

QDateTime leftAtMoment(const Question& question, QTime leftAt)
{
    if (!leftAt.isValid())
        return {};
    QDateTime moment(question.since.date(), QTime(leftAt.hour(), leftAt.minute()),
                     question.since.timeZone());
    if (moment <= question.since)
        moment = moment.addDays(1);
    return moment <= question.now ? moment : QDateTime();
}

Result<Declared> declare(const QString& employee, const QDateTime& leftAt, bool arriving,
                         int limitHours, const QTimeZone& zone)
{
    const Result<Question> asked = askFile(employee, limitHours, zone);
    if (!asked)
        return asked.failure();
    const QDateTime out = wallClock(leftAt.toTimeZone(zone), zone);
    if (!leftAt.isValid() || out <= asked->since)
        return IoResult::failure(
            QStringLiteral("Nothing was written: the time you left must come after your IN of %1.")
                .arg(when(asked->since)));
    if (out > asked->now)
        return IoResult::failure(
            QStringLiteral("Nothing was written: the time you left, %1, has not come yet.")
                .arg(when(out)));
    return writeAndRecord(employee, Correction::Kind::Declared, FormatPunchLine(false, out),
                          arriving ? FormatPunchLine(true, asked->now) : QByteArray(),
                          QStringLiteral("declared at the station by the employee, awaiting "
                                         "approval: left at %1 after the IN of %2")
                              .arg(out.toString(QStringLiteral("HH:mm")), when(asked->since)));
}

Result<Declared> punchOutNow(const QString& employee, int limitHours, const QTimeZone& zone)
{
    const Result<Question> asked = askFile(employee, limitHours, zone);
    if (!asked)
        return asked.failure();
    return writeAndRecord(employee, Correction::Kind::Flagged, FormatPunchLine(false, asked->now),
                          {},
                          QStringLiteral("OUT punched at the station %1 hours after the IN of "
                                         "%2: a long shift, or an OUT forgotten, awaiting approval")
                              .arg(asked->hoursOpen())
                              .arg(when(asked->since)));
}

QList<Awaiting> awaitingApproval(const QList<Correction>& record)
{
    QList<Awaiting> waiting;
    // Where each employee's line waits in the list, by employee and line.
    QHash<QPair<QString, QByteArray>, qsizetype> at;
    for (qsizetype i = 0; i < record.size(); ++i) {
        const Correction& c = record[i];
        switch (c.kind) {
        case Correction::Kind::Declared:
        case Correction::Kind::Flagged:
            if (!at.contains({c.employee, c.newLine})) {
                at.insert({c.employee, c.newLine}, waiting.size());
                waiting.append({c, i});
            }
            break;
        case Correction::Kind::Approved:
        case Correction::Kind::Changed:
        case Correction::Kind::Deleted: {
            const QByteArray& line = c.kind == Correction::Kind::Approved ? c.newLine : c.oldLine;
            if (const auto found = at.constFind({c.employee, line}); found != at.cend()) {
                waiting[*found].entry = -1; // no longer waiting
                at.erase(found);
            }
            break;
        }
        case Correction::Kind::Added:
            break;
        }
    }
    waiting.removeIf([](const Awaiting& a) { return a.entry < 0; });
    return waiting;
}

IoResult approve(PunchStore& store, const QString& employee, const QByteArray& line,
                 const QString& reason)
{
    PunchStore::CorrectionRecord record;
    if (const IoResult read = store.correctionRecord(&record); !read)
        return read;
    if (!record.contents.intact())
        return IoResult::failure(
            QStringLiteral("Nothing was approved. %1").arg(record.contents.verdict(record.name)));
    const QList<Awaiting> waiting = awaitingApproval(record.contents.corrections);
    const bool awaits = std::any_of(waiting.cbegin(), waiting.cend(), [&](const Awaiting& a) {
        return a.correction.employee == employee && a.correction.newLine == line;
    });
    const QString punch = QString::fromLatin1(line).simplified();
    if (!awaits)
        return IoResult::failure(
            QStringLiteral("Nothing was approved: the punch \"%1\" of %2 no longer awaits "
                           "approval.")
                .arg(punch, employee));
    TimeCard card;
    if (const IoResult read = store.readTimeCard(employee, &card); !read)
        return read;
    const bool held = std::any_of(card.lines.cbegin(), card.lines.cend(),
                                  [&line](const TimeCardLine& l) { return l.stored == line; });
    // Saved as it was read: a card that a save would reorder or mend is for Correct Time Card.
    if (!held || SerializeTimeCard(card.lines) != card.original)
        return IoResult::failure(
            QStringLiteral("Nothing was approved: the time card of %1 does not hold the punch "
                           "\"%2\" as it was declared, or needs mending first. Open it in "
                           "Correct Time Card.")
                .arg(employee, punch));
    return store.saveCorrections(
        employee, card, card.lines,
        {{Environment::now(), employee, Correction::Kind::Approved, {}, line, reason}});
}

} // namespace ForgottenOut
