#include "timecalc/TimeManipulation.h"

#include "data/TimeFile.h"

#include <cstring>
#include <vector>

namespace {

struct HourMinute
{
    int hour;
    int minute;
};

HourMinute SplitTime(const QString& time)
{
    return {time.mid(0, 2).trimmed().toInt(), time.mid(3, 2).trimmed().toInt()};
}

bool IsInRecord(const char* record)
{
    return std::memcmp(record, "IN ", 3) == 0;
}

// Julian days of the punch dates of a file, remembering the last date text: a time file holds
// the same date on consecutive lines, so most lookups are a ten-byte comparison.
class PunchDayReader
{
public:
    qint64 dayOf(const char* record)
    {
        const char* date = record + 6;
        if (!m_valid || std::memcmp(date, m_text, sizeof m_text) != 0) {
            std::memcpy(m_text, date, sizeof m_text);
            // An unreadable date is a null date, earlier than every real one.
            m_day = ParseFileDate(QString::fromLatin1(date, sizeof m_text)).toJulianDay();
            m_valid = true;
        }
        return m_day;
    }

private:
    char m_text[10] = {};
    qint64 m_day = 0;
    bool m_valid = false;
};

// Where the week's pairs lie in the file, counted as the punch recording lays the file out.
struct WeekCount
{
    qint64 firstDay;
    qint64 lastDay;
    qint64 nBefore = 0; // records before the week: two for every IN dated before it
    qint64 nIn = 0;     // INs of the week that have a record after them
};

} // namespace

clsPeriod PeriodFromPunches(const TimeRecord& in, const TimeRecord& out, int roundingMode,
                            const QTimeZone& zone)
{
    clsPeriod period;
    period.m_DateIn = ParseFileDate(in.PunchDate);
    period.m_DateOut = ParseFileDate(out.PunchDate);
    period.m_In = ParseFileDateTime(in.PunchDate, in.PunchTime, zone);
    period.m_Out = ParseFileDateTime(out.PunchDate, out.PunchTime, zone);
    period.m_TimeIn = TimeToHours(in.PunchTime, roundingMode);
    period.m_TimeOut = TimeToHours(out.PunchTime, roundingMode);
    return period;
}

int WeeksInPeriod(QDate start, QDate end)
{
    const qint64 days = start.daysTo(end) + 1;
    return days <= 0 ? 0 : int((days + 3) / 7); // never half-way: days are whole
}

clsTime PayPeriodFromTimeFile(QByteArrayView bytes, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone)
{
    const int weekCount = WeeksInPeriod(start, end);
    std::vector<WeekCount> weeks;
    weeks.reserve(size_t(weekCount));
    for (int w = 0; w < weekCount; ++w) {
        const qint64 first = start.toJulianDay() + 7 * qint64(w);
        weeks.push_back({first, first + 6});
    }

    // One pass counts for every week at once. A week's count ends at the first IN dated after
    // it; those ends come in week order, so the weeks still counting are always the last ones.
    const qint64 records = bytes.size() / TimeRecord::Size;
    const char* data = bytes.data();
    PunchDayReader days;
    size_t counting = 0; // weeks before this one have stopped counting
    for (qint64 i = 0; i < records && counting < weeks.size(); ++i) {
        const char* record = data + i * TimeRecord::Size;
        if (!IsInRecord(record))
            continue;
        const qint64 day = days.dayOf(record);
        while (counting < weeks.size() && day > weeks[counting].lastDay)
            ++counting;
        const bool isLast = i == records - 1;
        for (size_t w = counting; w < weeks.size(); ++w) {
            if (day < weeks[w].firstDay)
                weeks[w].nBefore += 2;
            else if (!isLast) // an IN still waiting for its OUT is not paid yet
                ++weeks[w].nIn;
        }
    }

    clsTime time;
    for (const WeekCount& count : weeks) {
        clsWeek week;
        // Pair j is record j (IN) with record j + 1 (OUT), 0-based, whatever their actions.
        const qint64 pairsEnd = count.nBefore + 2 * count.nIn;
        for (qint64 j = count.nBefore; j < pairsEnd && j + 1 < records; j += 2) {
            const TimeRecord in =
                TimeRecord::fromBytes(bytes.sliced(j * TimeRecord::Size, TimeRecord::Size));
            const TimeRecord out =
                TimeRecord::fromBytes(bytes.sliced((j + 1) * TimeRecord::Size, TimeRecord::Size));
            week.AddPeriod(PeriodFromPunches(in, out, roundingMode, zone));
        }
        time.AddWeek(std::move(week));
    }
    return time;
}

clsTime LoadPayPeriod(const QString& name, QDate start, QDate end, int roundingMode,
                      const QTimeZone& zone, IoResult* result)
{
    QByteArray bytes;
    const IoResult read = FileStore::readFile(TimeFilePath(name), &bytes, true);
    if (result)
        *result = read;
    return PayPeriodFromTimeFile(read ? QByteArrayView(bytes) : QByteArrayView(), start, end,
                                 roundingMode, zone);
}

float TimeToHours(const QString& time, int roundingMode)
{
    const auto [hour, m] = SplitTime(time);
    double fraction = m / 60.0;
    if (roundingMode == QuarterHour)
        fraction = m <= 7 ? 0.0 : m <= 22 ? 0.25 : m <= 37 ? 0.5 : m <= 52 ? 0.75 : 1.0;
    else if (roundingMode == HalfHour)
        fraction = m <= 14 ? 0.0 : m <= 44 ? 0.5 : 1.0;
    return float(hour + fraction);
}

QDateTime ParseFileDateTime(const QString& date, const QString& time, const QTimeZone& zone)
{
    const auto [hour, minute] = SplitTime(time);
    // A hand-edited hour or minute beyond its range carries into the next day, as a day count
    // plus a fraction would.
    const qint64 minutes = qint64(hour) * 60 + minute;
    const qint64 dayShift = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    const qint64 minuteOfDay = minutes - dayShift * 1440;
    const QDate day = ParseFileDate(date).addDays(dayShift);
    const QTime clock = QTime::fromMSecsSinceStartOfDay(int(minuteOfDay * 60000));
    return zone.isValid() ? QDateTime(day, clock, zone) : QDateTime(day, clock);
}
