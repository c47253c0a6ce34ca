#pragma once

#include "data/OptionsRecord.h"

// The overtime rule of the settings, as a value handed to the time objects: hours above the
// threshold of each day (daily rule) or of each week (weekly rule) are overtime.
struct OvertimeRule
{
    bool daily = false;
    double threshold = 0;

    // "1" in DailyOvertime selects the daily rule, anything else the weekly rule; the threshold
    // is the leading number of OvertimeThreshold.
    static OvertimeRule of(const OptionsRecord& settings)
    {
        return {OptionsRecord::isOn(settings.DailyOvertime), settings.overtimeThresholdHours()};
    }

    // The hours above the threshold; none for hours at or below it.
    float hoursOver(float hours) const
    {
        const double excess = double(hours) - threshold;
        return excess > 0 ? float(excess) : 0.0f;
    }
};
