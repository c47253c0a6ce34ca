#pragma once

#include "data/OptionsRecord.h"

// The overtime settings, read from the in-memory settings at every use so that the time objects
// always follow the options in force.
namespace OvertimeRule {

inline double threshold()
{
    return GlobalOptions().overtimeThresholdHours();
}

// "1" selects the daily rule; anything else the weekly rule.
inline bool isDaily()
{
    return OptionsRecord::isOn(GlobalOptions().DailyOvertime);
}

// The hours above the threshold; none for hours at or below it.
inline float hoursOver(float hours, double limit)
{
    const double excess = double(hours) - limit;
    return excess > 0 ? float(excess) : 0.0f;
}

} // namespace OvertimeRule
