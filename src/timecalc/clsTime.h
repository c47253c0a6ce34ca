#pragma once

#include "timecalc/clsWeek.h"

#include <vector>

// The weeks of one pay period, in calendar order; a week without punches is still present.
// Overtime is counted week by week and never carried between weeks.
class clsTime
{
public:
    static constexpr int Capacity = 4; // the longest pay period the reports offer

    clsTime() { m_Weeks.reserve(Capacity); }

    void AddWeek(clsWeek NewWeek) { m_Weeks.push_back(std::move(NewWeek)); }
    // The week in slot intWeek (1 … NbrWeeks); outside that range an empty week.
    const clsWeek& Week(int intWeek) const;
    int NbrWeeks() const { return int(m_Weeks.size()); }

    float TotalHours() const;
    float OvertimeHours(const OvertimeRule& rule) const;
    float RegularHours(const OvertimeRule& rule) const
    {
        return TotalHours() - OvertimeHours(rule);
    }
    // Any day of the pay period of more than 24 hours.
    bool Error() const;

private:
    std::vector<clsWeek> m_Weeks;
};
