#pragma once

#include <QDate>
#include <QDateTime>

// One IN punch and the OUT punch that follows it.
class clsPeriod
{
public:
    QDate m_DateIn;      // day of the IN punch
    QDate m_DateOut;     // day of the OUT punch
    float m_TimeIn = 0;  // hours since midnight of the IN punch, after time rounding
    float m_TimeOut = 0; // hours since midnight of the OUT punch, after time rounding
    QDateTime m_In;      // exact IN punch, in the time zone of the punch clock
    QDateTime m_Out;     // exact OUT punch, in the time zone of the punch clock

    // Days between the punch dates in hours, less the rounded IN time, plus the rounded OUT time,
    // less the change of the zone's UTC offset between the punches: a night across a
    // daylight-saving change pays the hours actually worked. An OUT before its IN is negative.
    float Hours() const;
};
