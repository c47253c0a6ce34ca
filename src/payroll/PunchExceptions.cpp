#include "payroll/PunchExceptions.h"

#include "data/TimeFile.h"
#include "payroll/ReportCsv.h"
#include "punch/ForgottenOut.h"

#include <QMultiHash>

#include <algorithm>

using namespace ReportFormat;

namespace {

QDateTime momentOf(const TimeCardLine& line, const QTimeZone& zone)
{
    return QDateTime(line.date, line.time, zone);
}

bool inPeriod(QDate day, QDate from, QDate to)
{
    return day >= from && day <= to;
}

// A paid pair: records 2k and 2k + 1, whatever their actions say.
struct Pair
{
    const TimeCardLine* in;
    const TimeCardLine* out;
};

// The shift's start and end on the day of an IN; the end of a night shift is the next day's.
std::pair<QDateTime, QDateTime> shiftOn(const ShiftHours& shift, QDate day, const QTimeZone& zone)
{
    const QDateTime start(day, shift.start, zone);
    const QDateTime end(shift.endsNextDay() ? day.addDays(1) : day, shift.end, zone);
    return {start, end};
}

// Late, early and short breaks: on the pairs of one day, in file order, each a proper pair.
void checkDay(const QString& employee, const QList<Pair>& day, const ShiftHours& shift,
              const QTimeZone& zone, QList<PunchException>* found)
{
    const QDate date = day.constFirst().in->date;
    if (!shift.worksOn(date.dayOfWeek()))
        return;
    const auto [start, end] = shiftOn(shift, date, zone);
    const QDateTime firstIn = momentOf(*day.constFirst().in, zone);
    const QDateTime lastOut = momentOf(*day.constLast().out, zone);
    const qint64 grace = qint64(shift.graceMinutes) * 60;
    if (start.secsTo(firstIn) > grace)
        found->append({employee,
                       date,
                       PunchExceptionKind::LateIn,
                       firstIn,
                       {},
                       start.secsTo(firstIn) / 60,
                       {}});
    if (lastOut.secsTo(end) > grace)
        found->append({employee,
                       date,
                       PunchExceptionKind::EarlyOut,
                       lastOut,
                       {},
                       lastOut.secsTo(end) / 60,
                       {}});
    if (shift.minimumBreakMinutes <= 0)
        return;
    for (qsizetype i = 1; i < day.size(); ++i) {
        const QDateTime out = momentOf(*day[i - 1].out, zone);
        const QDateTime in = momentOf(*day[i].in, zone);
        const qint64 gap = out.secsTo(in);
        if (gap >= 0 && gap < qint64(shift.minimumBreakMinutes) * 60)
            found->append({employee, date, PunchExceptionKind::ShortBreak, out, in, gap / 60, {}});
    }
}

QString kindText(PunchExceptionKind kind)
{
    switch (kind) {
    case PunchExceptionKind::OpenIn:
        return QStringLiteral("open IN");
    case PunchExceptionKind::LongPair:
        return QStringLiteral("long pair");
    case PunchExceptionKind::DoublePunch:
        return QStringLiteral("double punch");
    case PunchExceptionKind::Unpaired:
        return QStringLiteral("unpaired");
    case PunchExceptionKind::LateIn:
        return QStringLiteral("late IN");
    case PunchExceptionKind::EarlyOut:
        return QStringLiteral("early OUT");
    case PunchExceptionKind::ShortBreak:
        return QStringLiteral("short break");
    case PunchExceptionKind::DeclaredOut:
        return QStringLiteral("declared OUT");
    case PunchExceptionKind::FlaggedOut:
        return QStringLiteral("flagged OUT");
    }
    return {};
}

bool awaits(PunchExceptionKind kind)
{
    return kind == PunchExceptionKind::DeclaredOut || kind == PunchExceptionKind::FlaggedOut;
}

// The punches of the record awaiting approval, by employee.
QMultiHash<QString, PunchException> awaitingByEmployee(const QList<Correction>& record, QDate from,
                                                       QDate to, const QTimeZone& zone)
{
    QMultiHash<QString, PunchException> found;
    for (const ForgottenOut::Awaiting& a : ForgottenOut::awaitingApproval(record)) {
        const TimeCard card = ParseTimeCard(a.correction.newLine + "\r\n");
        if (card.lines.size() != 1 || !card.lines[0].readable)
            continue;
        const TimeCardLine& punch = card.lines[0];
        if (!inPeriod(punch.date, from, to))
            continue;
        const bool declared = a.correction.kind == Correction::Kind::Declared;
        found.insert(a.correction.employee,
                     {a.correction.employee, punch.date,
                      declared ? PunchExceptionKind::DeclaredOut : PunchExceptionKind::FlaggedOut,
                      momentOf(punch, zone), a.correction.when.toTimeZone(zone), 0,
                      a.correction.newLine});
    }
    return found;
}

QString isoMoment(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(QStringLiteral("yyyy-MM-ddTHH:mm")) : QString();
}

} // namespace

QList<PunchException> FindCardExceptions(const QString& employee, const QList<TimeCardLine>& lines,
                                         QDate from, QDate to, const ShiftHours* shift,
                                         int openLimitHours, const QDateTime& now,
                                         const QTimeZone& zone)
{
    QList<PunchException> found;
    const qint64 limit = qint64(openLimitHours) * 3600;
    QList<Pair> day;
    const auto closeDay = [&] {
        if (shift && !day.isEmpty())
            checkDay(employee, day, *shift, zone, &found);
        day.clear();
    };
    for (qsizetype r = 0; r + 1 < lines.size(); r += 2) {
        const Pair pair{&lines[r], &lines[r + 1]};
        if (!inPeriod(pair.in->date, from, to))
            continue;
        const QDateTime in = momentOf(*pair.in, zone);
        const QDateTime out = momentOf(*pair.out, zone);
        const qint64 seconds = in.secsTo(out);
        if (!pair.in->isIn || pair.out->isIn || seconds < 0) {
            closeDay();
            found.append(
                {employee, pair.in->date, PunchExceptionKind::Unpaired, in, out, seconds / 60, {}});
            continue;
        }
        if (seconds > limit)
            found.append(
                {employee, pair.in->date, PunchExceptionKind::LongPair, in, out, seconds / 60, {}});
        else if (seconds < 60)
            found.append(
                {employee, pair.in->date, PunchExceptionKind::DoublePunch, in, out, 0, {}});
        if (!day.isEmpty() && day.constFirst().in->date != pair.in->date)
            closeDay();
        day.append(pair);
    }
    closeDay();
    if (lines.size() % 2 == 1) {
        const TimeCardLine& last = lines.constLast();
        const QDateTime in = momentOf(last, zone);
        if (last.isIn && last.date <= to && in.secsTo(now) > limit)
            found.append(
                {employee, last.date, PunchExceptionKind::OpenIn, in, {}, in.secsTo(now) / 60, {}});
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const PunchException& a, const PunchException& b) { return a.day < b.day; });
    return found;
}

Result<PunchExceptionList> FindPunchExceptions(const QList<EmployeeRecord>& employees, QDate from,
                                               QDate to, const ShiftSchedule& schedule,
                                               const QDateTime& now, const QTimeZone& zone,
                                               PunchStore& store)
{
    PunchExceptionList list;
    list.from = from;
    list.to = to;
    list.at = now;
    list.openLimitHours = schedule.openLimitHours;
    PunchStore::CorrectionRecord record;
    if (const IoResult read = store.correctionRecord(&record); !read)
        list.unreadRecord = read.error;
    else if (!record.contents.intact())
        list.unreadRecord = record.contents.verdict(record.name);
    const QMultiHash<QString, PunchException> awaiting =
        awaitingByEmployee(record.contents.corrections, from, to, zone);
    for (const EmployeeRecord& employee : employees) {
        const QString name = employee.Name.trimmed();
        TimeCard card;
        if (const IoResult read = store.readTimeCard(name, &card); !read) {
            list.unread.append({name, read.error});
            continue;
        }
        if (!card.allReadable()) {
            list.unread.append(
                {name, QStringLiteral("the time file of %1 holds lines that cannot be read; "
                                      "correct it in Correct Time Card")
                           .arg(name)});
            continue;
        }
        QList<PunchException> found =
            FindCardExceptions(name, card.lines, from, to, schedule.shiftOf(employee.Shift),
                               schedule.openLimitHours, now, zone);
        if (awaiting.contains(name)) {
            QList<PunchException> declared = awaiting.values(name);
            std::reverse(declared.begin(), declared.end()); // a multi-hash hands the last first
            found += declared;
            std::stable_sort(
                found.begin(), found.end(),
                [](const PunchException& a, const PunchException& b) { return a.day < b.day; });
        }
        list.items += found;
    }
    return list;
}

qsizetype PunchExceptionList::awaitingApproval() const
{
    return std::count_if(items.cbegin(), items.cend(),
                         [](const PunchException& e) { return awaits(e.kind); });
}

QString PunchExceptionText(const PunchException& e, int openLimitHours, const QString& timeFormat,
                           const RegionalFormats& formats)
{
    const auto at = [&timeFormat](const QDateTime& moment) {
        return FormatTimeOfDay(moment.time(), timeFormat);
    };
    const QString hours = Hours(float(e.minutes) / 60.0f).trimmed();
    switch (e.kind) {
    case PunchExceptionKind::OpenIn:
        return QStringLiteral("IN at %1 still open after %2 hours: OUT forgotten?")
            .arg(at(e.first), hours);
    case PunchExceptionKind::LongPair:
        return QStringLiteral("IN %1 to OUT %2 on %3: %4 hours, over %5")
            .arg(at(e.first), at(e.second), ShortDate(e.second.date(), formats), hours)
            .arg(openLimitHours);
    case PunchExceptionKind::DoublePunch:
        return QStringLiteral("IN and OUT at %1: a double punch?").arg(at(e.first));
    case PunchExceptionKind::Unpaired:
        return QStringLiteral("%1 then %2 are paid as a pair: not an IN and a later OUT")
            .arg(at(e.first), at(e.second));
    case PunchExceptionKind::LateIn:
        return QStringLiteral("IN at %1, %2 minutes late").arg(at(e.first)).arg(e.minutes);
    case PunchExceptionKind::EarlyOut:
        return QStringLiteral("OUT at %1, %2 minutes early").arg(at(e.first)).arg(e.minutes);
    case PunchExceptionKind::ShortBreak:
        return QStringLiteral("break from %1 to %2, %3 minutes")
            .arg(at(e.first), at(e.second))
            .arg(e.minutes);
    case PunchExceptionKind::DeclaredOut:
        return QStringLiteral("OUT at %1 declared at the station on %2 at %3, awaiting approval")
            .arg(at(e.first), ShortDate(e.second.date(), formats), at(e.second));
    case PunchExceptionKind::FlaggedOut:
        return QStringLiteral("OUT at %1 after a long shift, flagged at the station, awaiting "
                              "approval")
            .arg(at(e.first));
    }
    return {};
}

QString PunchExceptionReason(PunchExceptionKind kind)
{
    switch (kind) {
    case PunchExceptionKind::OpenIn:
    case PunchExceptionKind::LongPair:
        return QStringLiteral("OUT forgotten");
    case PunchExceptionKind::DoublePunch:
        return QStringLiteral("double punch");
    case PunchExceptionKind::Unpaired:
        return QStringLiteral("punches out of IN/OUT order");
    case PunchExceptionKind::LateIn:
        return QStringLiteral("late IN");
    case PunchExceptionKind::EarlyOut:
        return QStringLiteral("early OUT");
    case PunchExceptionKind::ShortBreak:
        return QStringLiteral("short break");
    case PunchExceptionKind::DeclaredOut:
        return QStringLiteral("OUT declared at the station");
    case PunchExceptionKind::FlaggedOut:
        return QStringLiteral("long shift flagged at the station");
    }
    return {};
}

QString PunchExceptionsText(const PunchExceptionList& list, const QString& timeFormat,
                            const RegionalFormats& formats)
{
    QString text = QStringLiteral("Exceptions:             ") + ShortDate(list.from, formats) +
                   QStringLiteral(" to ") + ShortDate(list.to, formats) + LineEnd + LineEnd;
    text += QStringLiteral("Employee Name           Day         Exception") + LineEnd;
    text += Rule() + LineEnd;
    for (const PunchException& e : list.items)
        text += LeftIn(24, e.employee) + LeftIn(12, ShortDate(e.day, formats)) +
                PunchExceptionText(e, list.openLimitHours, timeFormat, formats) + LineEnd;
    text += Rule() + LineEnd;
    text += list.items.size() == 1 ? QStringLiteral("1 exception")
                                   : QStringLiteral("%1 exceptions").arg(list.items.size());
    text += LineEnd;
    for (const UnreadCard& u : list.unread)
        text += LineEnd + QStringLiteral("Not read: ") + u.reason + LineEnd;
    if (!list.unreadRecord.isEmpty())
        text += LineEnd + QStringLiteral("Not read: ") + list.unreadRecord + LineEnd;
    return text;
}

QByteArray PunchExceptionsCsv(const PunchExceptionList& list)
{
    QString csv = QStringLiteral("Employee Name,Day,Exception,First,Second,Minutes,Not Read\r\n");
    for (const PunchException& e : list.items)
        csv += ReportCsv::Field(e.employee) + u',' + e.day.toString(Qt::ISODate) + u',' +
               kindText(e.kind) + u',' + isoMoment(e.first) + u',' + isoMoment(e.second) + u',' +
               QString::number(e.minutes) + QStringLiteral(",\r\n");
    for (const UnreadCard& u : list.unread)
        csv += ReportCsv::Field(u.employee) + QStringLiteral(",,,,,,") +
               ReportCsv::Field(u.reason) + QStringLiteral("\r\n");
    if (!list.unreadRecord.isEmpty())
        csv +=
            QStringLiteral(",,,,,,") + ReportCsv::Field(list.unreadRecord) + QStringLiteral("\r\n");
    return csv.toUtf8();
}
