#pragma once

#include "timecalc/clsDay.h"

#include <vector>

// The working days of one week, in the order they were created: Day(1) is the first day the
// employee worked, not the first calendar day of the week.
class clsWeek
{
public:
    // The usual size of a week. Not a limit: a time file out of order may give a week more days.
    static constexpr int Capacity = 7;

    clsWeek() { m_Days.reserve(Capacity); }

    float WeekHours() const;
    int NbrDays() const { return int(m_Days.size()); }
    // The day in slot intDay (1 … NbrDays); outside that range an empty day.
    const clsDay& Day(int intDay) const;

    // Files the period under the last day when it has the same IN date, else under a new day.
    // Periods must come in chronological order for each date to make a single day.
    void AddPeriod(clsPeriod NewPeriod);

    // Daily rule: the sum of the days' overtime. Weekly rule: the week's hours above the threshold.
    float OvertimeHours(const OvertimeRule& rule) const;
    float RegularHours(const OvertimeRule& rule) const { return WeekHours() - OvertimeHours(rule); }
    // Any day of more than 24 hours.
    bool Error() const;

private:
    std::vector<clsDay> m_Days;
};
