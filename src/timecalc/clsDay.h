#pragma once

#include "timecalc/OvertimeRule.h"
#include "timecalc/clsPeriod.h"

#include <vector>

// The periods of one working day, in the order they were added. All hours are computed on each
// call, summed in single precision in period order; overtime by the rule the caller gives.
class clsDay
{
public:
    // The usual size of a day. Not a limit: a day with more pairs keeps them all.
    static constexpr int Capacity = 15;

    clsDay() { m_Periods.reserve(Capacity); }

    // The period in slot intPeriod (1 … NbrPeriods); outside that range an empty period.
    const clsPeriod& Period(int intPeriod) const;
    int NbrPeriods() const { return int(m_Periods.size()); }
    void AddPeriod(clsPeriod NewPeriod) { m_Periods.push_back(std::move(NewPeriod)); }

    // m_DateIn of the last and of the first period; a null date for a day without periods.
    QDate LastPeriodDateIn() const;
    QDate FirstPeriodDateIn() const;

    float DayHours() const;
    // The hours above the rule's threshold, whichever rule it is.
    float OvertimeHours(const OvertimeRule& rule) const;
    float RegularHours(const OvertimeRule& rule) const { return DayHours() - OvertimeHours(rule); }
    // More than 24 hours in the day.
    bool Error() const { return DayHours() > 24.0f; }

private:
    std::vector<clsPeriod> m_Periods;
};
