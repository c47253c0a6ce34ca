#pragma once

#include <QString>

struct TimeRecord;

// Appends the employee's punch for the current time, and hands back the record written. When it
// is not on disk, says so, naming the file, and returns false: the screen must then show nothing
// new.
bool RecordPunchOrSaySo(const QString& name, bool isIn, TimeRecord* recorded = nullptr);
