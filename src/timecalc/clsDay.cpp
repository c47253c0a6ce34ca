#include "timecalc/clsDay.h"

#include "timecalc/Slot.h"

const clsPeriod& clsDay::Period(int intPeriod) const
{
    return SlotOrEmpty(m_Periods, intPeriod);
}

QDate clsDay::LastPeriodDateIn() const
{
    return m_Periods.empty() ? QDate() : m_Periods.back().m_DateIn;
}

QDate clsDay::FirstPeriodDateIn() const
{
    return m_Periods.empty() ? QDate() : m_Periods.front().m_DateIn;
}

float clsDay::DayHours() const
{
    float sum = 0;
    for (const clsPeriod& period : m_Periods)
        sum += period.Hours();
    return sum;
}

float clsDay::OvertimeHours(const OvertimeRule& rule) const
{
    return rule.hoursOver(DayHours());
}
