#include "timecalc/PunchClock.h"

PunchClock::PunchClock(const QTimeZone& zone) : m_zone(zone) {}

PunchClock::PunchClock(const QTimeZone& zone, QDate first, QDate last) : m_zone(zone)
{
    if (!zone.isValid() || !first.isValid() || !last.isValid() || last < first)
        return;
    // No zone is a day away from UTC, so the wall clock of these days lies in this UTC span.
    const QDateTime from(first.addDays(-2), QTime(0, 0), Qt::UTC);
    const QDateTime to(last.addDays(3), QTime(0, 0), Qt::UTC);
    if (!zone.transitions(from, to).isEmpty())
        return;
    m_uniformFirst = first.addDays(-1);
    m_uniformLast = last.addDays(1);
    m_uniformOffset = zone.offsetFromUtc(from);
}

QDateTime PunchClock::at(QDate day, int hour, int minute) const
{
    const qint64 minutes = qint64(hour) * 60 + minute;
    const qint64 dayShift = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    const QDate date = day.addDays(dayShift);
    if (!date.isValid())
        return QDateTime();
    const QTime time = QTime::fromMSecsSinceStartOfDay(int((minutes - dayShift * 1440) * 60000));
    return QDateTime(date, time, Qt::OffsetFromUTC, offsetAt(date, time));
}

int PunchClock::offsetAt(QDate day, QTime time) const
{
    if (m_uniformFirst.isValid() && m_uniformFirst <= day && day <= m_uniformLast)
        return m_uniformOffset;
    const QDateTime zoned =
        m_zone.isValid() ? QDateTime(day, time, m_zone) : QDateTime(day, time, Qt::LocalTime);
    if (zoned.isValid())
        return zoned.offsetFromUtc();
    // A wall-clock time skipped when the clocks went forward (only in an edited file) keeps the
    // offset the day started with.
    const QDateTime dayStart = m_zone.isValid() ? QDateTime(day, QTime(0, 0), m_zone)
                                                : QDateTime(day, QTime(0, 0), Qt::LocalTime);
    return dayStart.isValid() ? dayStart.offsetFromUtc() : 0;
}
