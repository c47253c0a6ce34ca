#pragma once

#include "timecalc/clsTime.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

// The pay period read the plain way: for every week the time file is opened twice, once to count
// the INs before and in the week from the first record, once to read the week's pairs by record
// number. Kept as the yardstick that the one-pass reading must equal and beat.
clsTime StepwiseLoadPayPeriod(const QString& path, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone);
