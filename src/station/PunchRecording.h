#pragma once

#include <QString>

// Appends the employee's punch for the current time. When it is not on disk, says so, naming the
// file, and returns false: the screen must then show nothing new.
bool RecordPunchOrSaySo(const QString& name, bool isIn);
