#include "timecalc/TimeManipulation.h"

#include "data/FileStore.h"
#include "timecalc/PairingRule.h"
#include "timecalc/PunchClock.h"
#include "timecalc/PunchFields.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

float HoursOfDay(int hour, int minute, int roundingMode)
{
    const int m = minute;
    double fraction = m / 60.0;
    if (roundingMode == QuarterHour)
        fraction = m <= 7 ? 0.0 : m <= 22 ? 0.25 : m <= 37 ? 0.5 : m <= 52 ? 0.75 : 1.0;
    else if (roundingMode == HalfHour)
        fraction = m <= 14 ? 0.0 : m <= 44 ? 0.5 : 1.0;
    return float(hour + fraction);
}

clsPeriod MakePeriod(const PunchFields& in, const PunchFields& out, int roundingMode,
                     const PunchClock& clock)
{
    clsPeriod period;
    period.m_DateIn = in.date;
    period.m_DateOut = out.date;
    period.m_In = clock.at(in.date, in.hour, in.minute);
    period.m_Out = clock.at(out.date, out.hour, out.minute);
    period.m_TimeIn = HoursOfDay(in.hour, in.minute, roundingMode);
    period.m_TimeOut = HoursOfDay(out.hour, out.minute, roundingMode);
    return period;
}

using PunchLine::MonthOfDate;
using PunchLine::YearOfDate;
static_assert(YearOfDate.length == sizeof(quint32) && MonthOfDate.length == sizeof(quint16));

// The year and month characters of a "mm/dd/yyyy" date as one number, first character highest,
// so that two of plain digits compare as the year and month they read.
quint64 YearMonthKey(const char* date)
{
    return qFromBigEndian<quint32>(date + YearOfDate.offset) * quint64(0x10000) +
           qFromBigEndian<quint16>(date + MonthOfDate.offset);
}

// Each of the six characters of the key (it has no others) is an ASCII digit.
bool AllDigits(quint64 key)
{
    constexpr quint64 high = 0xF0F0F0F0F0F0;
    constexpr quint64 zeros = 0x303030303030;
    return (key & high) == zeros && ((key + 0x060606060606) & high) == zeros;
}

// The place of punch dates before or in the pay period, as ParseFileDate would date them,
// without building a text for every line. A date of plain digits in a month before the period's
// is before the period whatever its day says (a real day is earlier, an impossible one gives a
// null date); such a month is remembered as it stands in the file, since a time file holds it
// on many consecutive lines. Other dates are dated the exact way, remembering the last one.
class PunchDayReader
{
public:
    // Every date before the pay period, and every unreadable date (a null date is earlier than
    // any real one).
    static constexpr qint64 Before = std::numeric_limits<qint64>::min();

    explicit PunchDayReader(QDate periodStart)
    {
        // A start beyond four-digit years leaves every date to the calendar.
        const QByteArray text = periodStart.toString(QStringLiteral("MM/dd/yyyy")).toLatin1();
        if (text.size() == 10)
            m_startKey = YearMonthKey(text.constData());
    }

    // The Julian day of the line's date, or Before.
    Q_ALWAYS_INLINE qint64 dayOf(const char* record)
    {
        const char* date = record + PunchLine::Date.offset;
        quint32 year;
        quint16 month;
        std::memcpy(&year, date + YearOfDate.offset, sizeof year);
        std::memcpy(&month, date + MonthOfDate.offset, sizeof month);
        if (year == m_beforeYear && month == m_beforeMonth)
            return Before;
        return dayOfOtherMonth(record, year, month);
    }

private:
    qint64 dayOfOtherMonth(const char* record, quint32 year, quint16 month)
    {
        const quint64 key = YearMonthKey(record + PunchLine::Date.offset);
        if (key < m_startKey && AllDigits(key)) {
            m_beforeYear = year;
            m_beforeMonth = month;
            return Before;
        }
        static_assert(PunchLine::Date.length == sizeof(quint64) + sizeof(quint16));
        quint64 head;
        quint16 tail;
        std::memcpy(&head, record + PunchLine::Date.offset, sizeof head);
        std::memcpy(&tail, record + PunchLine::Date.offset + sizeof head, sizeof tail);
        if (!m_known || head != m_head || tail != m_tail) {
            m_head = head;
            m_tail = tail;
            m_day = PunchFields::fromRecord(record).date.toJulianDay();
            m_known = true;
        }
        return m_day;
    }

    quint64 m_startKey = 0;
    // The year and month characters of a month before the period. Their first value, NUL
    // characters, reads as year 0, which no date has: such lines are before the period too.
    quint32 m_beforeYear = 0;
    quint16 m_beforeMonth = 0;
    quint64 m_head = 0; // the ten characters of the last other date
    quint16 m_tail = 0;
    qint64 m_day = 0;
    bool m_known = false;
};

// The records of a time file seen through a window: the whole file when it is in memory, a few
// thousand records at a time when it is read from disk, so that no file is held whole.
class RecordWindow
{
public:
    static constexpr qint64 Capacity = 4096;

    explicit RecordWindow(QByteArrayView bytes)
        : m_data(bytes.data()), m_count(bytes.size() / TimeRecord::Size), m_records(m_count)
    {
    }
    explicit RecordWindow(FileStore::Reader* file)
        : m_file(file), m_records(file->size() / TimeRecord::Size)
    {
    }

    qint64 records() const { return m_records; }
    // Record i, 0 <= i < records(). A record that could not be read is all NUL bytes, which
    // reads as no punch; result() then holds the failure.
    Q_ALWAYS_INLINE const char* at(qint64 i)
    {
        if (quint64(i - m_first) >= quint64(m_count))
            fill(i);
        return m_data + (i - m_first) * TimeRecord::Size;
    }
    const Result<>& result() const { return m_result; }

private:
    void fill(qint64 i)
    {
        // One buffer for every file of a report: a fresh one per file costs its page faults.
        thread_local std::vector<char> buffer(size_t(Capacity * TimeRecord::Size));
        m_first = i;
        m_count = std::min(Capacity, m_records - i);
        m_data = buffer.data();
        const qint64 length = m_count * TimeRecord::Size;
        if (m_file && m_result)
            m_result = m_file->readAt(i * TimeRecord::Size, buffer.data(), length);
        if (!m_file || !m_result)
            std::memset(buffer.data(), 0, size_t(length));
    }

    FileStore::Reader* m_file = nullptr;
    const char* m_data = nullptr;
    qint64 m_first = 0;
    qint64 m_count = 0;
    qint64 m_records = 0;
    Result<> m_result;
};

} // namespace

int WeeksInPeriod(QDate start, QDate end)
{
    const qint64 days = start.daysTo(end) + 1;
    return days <= 0 ? 0 : int((days + 3) / 7); // never half-way: days are whole
}

namespace {

clsTime PayPeriodFromRecords(RecordWindow& file, QDate start, QDate end, int roundingMode,
                             const QTimeZone& zone, QList<PaidPair>* paid)
{
    const int weekCount = WeeksInPeriod(start, end);
    std::vector<WeekPairs> weeks;
    weeks.reserve(size_t(weekCount));
    for (int w = 0; w < weekCount; ++w) {
        const qint64 first = start.toJulianDay() + 7 * qint64(w);
        weeks.push_back({first, first + 6});
    }

    // One pass counts for every week at once, by the pairing rule. A week's count ends at the
    // first IN dated after it; those ends come in week order, so the weeks still counting are
    // always the last ones. INs before the whole period would add two records to every week:
    // they are only counted, and added to a week when its count ends.
    const qint64 records = file.records();
    PunchDayReader days(start);
    const qint64 periodStart = start.toJulianDay();
    qint64 beforePeriod = 0;
    size_t counting = 0; // weeks before this one have stopped counting
    for (qint64 i = 0; i < records && counting < weeks.size(); ++i) {
        // Most of a long file lies before the period: the INs there are only counted.
        for (; i < records; ++i) {
            const char* record = file.at(i);
            if (PunchLine::isIn(record)) {
                if (days.dayOf(record) >= periodStart)
                    break;
                ++beforePeriod;
            }
        }
        if (i == records)
            break;
        const qint64 day = days.dayOf(file.at(i));
        const bool isLast = i == records - 1;
        for (size_t w = counting; w < weeks.size(); ++w) {
            if (!weeks[w].countIn(day, isLast)) {
                weeks[w].nBefore += 2 * beforePeriod;
                counting = w + 1;
            }
        }
    }
    for (size_t w = counting; w < weeks.size(); ++w)
        weeks[w].nBefore += 2 * beforePeriod;

    const PunchClock clock(zone, start, end);
    clsTime time;
    for (const WeekPairs& count : weeks) {
        clsWeek week;
        for (qint64 j = count.nBefore; j < count.pairsEnd() && j + 1 < records; j += 2) {
            const PunchFields in = PunchFields::fromRecord(file.at(j));
            const PunchFields out = PunchFields::fromRecord(file.at(j + 1));
            clsPeriod period = MakePeriod(in, out, roundingMode, clock);
            if (paid)
                paid->append({j, period.Hours()});
            week.AddPeriod(std::move(period));
        }
        time.AddWeek(std::move(week));
    }
    return time;
}

} // namespace

clsTime PayPeriodFromTimeFile(QByteArrayView bytes, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone, QList<PaidPair>* paid)
{
    RecordWindow file(bytes);
    return PayPeriodFromRecords(file, start, end, roundingMode, zone, paid);
}

Result<clsTime> LoadPayPeriod(const QString& name, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone)
{
    const QString path = TimeFilePath(name);
    FileStore::Reader reader;
    if (const Result<> opened = reader.open(path, true); opened.failed())
        return opened.error();
    if (reader.size() > MaxTimeFileSize)
        return Failure(TimeFileTooLargeMessage(path, reader.size()));
    // Lines of another length (an editor's LF ends) would pair the wrong bytes: no pay from them.
    if (!HoldsWholeRecords(reader))
        return Failure(TimeFileLengthMessage(path));
    RecordWindow file(&reader);
    clsTime time = PayPeriodFromRecords(file, start, end, roundingMode, zone, nullptr);
    if (file.result().failed())
        return file.result().error();
    return time;
}

clsPeriod PeriodFromPunches(const TimeRecord& in, const TimeRecord& out, int roundingMode,
                            const QTimeZone& zone)
{
    return MakePeriod(PunchFields::fromTexts(in.PunchDate, in.PunchTime),
                      PunchFields::fromTexts(out.PunchDate, out.PunchTime), roundingMode,
                      PunchClock(zone));
}

float TimeToHours(const QString& time, int roundingMode)
{
    int hour, minute;
    SplitPunchTime(time, &hour, &minute);
    return HoursOfDay(hour, minute, roundingMode);
}

QDateTime ParseFileDateTime(const QString& date, const QString& time, const QTimeZone& zone)
{
    const PunchFields f = PunchFields::fromTexts(date, time);
    return PunchClock(zone).at(f.date, f.hour, f.minute);
}
