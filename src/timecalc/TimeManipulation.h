#pragma once

#include "data/Result.h"
#include "data/TimeFile.h"
#include "timecalc/clsTime.h"

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

// Time rounding of the reports, the TimeRounding setting as a number.
enum RoundingMode { NoRounding = 0, QuarterHour = 1, HalfHour = 2 };

// The pay period from start to end (both included) of one employee's time file: one week per
// seven days starting on start, each holding the IN/OUT pairs whose IN is dated in it, with times
// rounded by roundingMode. The file is read once. A missing file gives weeks without periods and
// is not created; a file that cannot be read fails, naming the file. zone is the time zone of the
// punch clock, used to pay the hours actually worked across a daylight-saving change.
Result<clsTime> LoadPayPeriod(const QString& name, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone);

// The same from the bytes of a time file. Pairs are found as the punch recording lays them out:
// the records before the week are taken to be IN/OUT pairs, the week's pairs follow them, and an
// IN at the end of the file without its OUT is left out. Records are whole 31-byte lines; a
// shorter tail is not a record, and no pair is read past the end of the file.
// With paid, also the pairs paid, as the correction window shows them.
struct PaidPair
{
    qint64 first; // the record of the pair's IN; its OUT is the next record
    float hours;
};
clsTime PayPeriodFromTimeFile(QByteArrayView bytes, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone, QList<PaidPair>* paid = nullptr);

// The number of weeks LoadPayPeriod makes of a period: its days over seven, to the nearest.
int WeeksInPeriod(QDate start, QDate end);

// The period of an IN punch and the OUT punch paired with it (their actions are not looked at):
// exact punches in the zone, times of day rounded by the mode.
clsPeriod PeriodFromPunches(const TimeRecord& in, const TimeRecord& out, int roundingMode,
                            const QTimeZone& zone);

// "hh:mm" in hours since midnight, rounded to the nearest quarter or half hour by the mode (the
// half-way minutes of the half hour go up); any other mode does not round.
float TimeToHours(const QString& time, int roundingMode);

// The date of "mm/dd/yyyy" at the hour and minute of "hh:mm" in the given zone.
QDateTime ParseFileDateTime(const QString& date, const QString& time, const QTimeZone& zone);
