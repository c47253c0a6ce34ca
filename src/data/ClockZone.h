#pragma once

#include "data/Result.h"

#include <QString>
#include <QTimeZone>

// The time zone of the punch clock: the system's zone where the data folder was first used, kept
// in data/timezone.txt (one zone name, such as America/New_York), so that a report pays a night
// across a daylight-saving change the same on whatever computer it runs.
QString ClockZonePath();

// Writes the system's zone when the file is missing; an existing file is left as it is. Nothing
// is written when the system's zone has no name that could be read back.
Result<> EnsureClockZoneFile();

// The zone of the file, the system's when there is no file; fails, naming the file, when it
// holds no known zone.
Result<QTimeZone> ReadClockZone();

// The same, the system's zone when the file cannot be read.
QTimeZone ClockZone();
