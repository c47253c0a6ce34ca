#include "timecalc/clsWeek.h"

#include "timecalc/Slot.h"

float clsWeek::WeekHours() const
{
    float sum = 0;
    for (const clsDay& day : m_Days)
        sum += day.DayHours();
    return sum;
}

const clsDay& clsWeek::Day(int intDay) const
{
    return SlotOrEmpty(m_Days, intDay);
}

void clsWeek::AddPeriod(clsPeriod NewPeriod)
{
    if (m_Days.empty() || NewPeriod.m_DateIn != m_Days.back().LastPeriodDateIn())
        m_Days.emplace_back();
    m_Days.back().AddPeriod(std::move(NewPeriod));
}

float clsWeek::OvertimeHours(const OvertimeRule& rule) const
{
    if (rule.daily) {
        float sum = 0;
        for (const clsDay& day : m_Days)
            sum += day.OvertimeHours(rule);
        return sum;
    }
    return rule.hoursOver(WeekHours());
}

bool clsWeek::Error() const
{
    bool error = false;
    for (const clsDay& day : m_Days)
        error = day.Error() || error;
    return error;
}
