#pragma once

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

// Turns the wall-clock date and time of a punch into the exact moment, with the UTC offset the
// punch clock's zone had then. Over a pay period without a daylight-saving change the offset is
// learnt once, so that a report over many employees does not ask the zone for every punch.
class PunchClock
{
public:
    explicit PunchClock(const QTimeZone& zone);
    // Learns whether the zone keeps one offset from the day before first to the day after last.
    PunchClock(const QTimeZone& zone, QDate first, QDate last);

    // The moment of hour:minute on day; an hour or minute beyond its range carries into the
    // following days, as a day count plus a fraction of a day would. The result keeps the wall
    // clock as punched and carries the zone's UTC offset (null for a null day).
    QDateTime at(QDate day, int hour, int minute) const;

private:
    int offsetAt(QDate day, QTime time) const;

    QTimeZone m_zone;
    QDate m_uniformFirst; // days on which the offset is m_uniformOffset; none when null
    QDate m_uniformLast;
    int m_uniformOffset = 0;
};
