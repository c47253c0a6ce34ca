#include "timecalc/clsTime.h"

#include "timecalc/Slot.h"

const clsWeek& clsTime::Week(int intWeek) const
{
    return SlotOrEmpty(m_Weeks, intWeek);
}

float clsTime::TotalHours() const
{
    float sum = 0;
    for (const clsWeek& week : m_Weeks)
        sum += week.WeekHours();
    return sum;
}

float clsTime::OvertimeHours(const OvertimeRule& rule) const
{
    float sum = 0;
    for (const clsWeek& week : m_Weeks)
        sum += week.OvertimeHours(rule);
    return sum;
}

bool clsTime::Error() const
{
    bool error = false;
    for (const clsWeek& week : m_Weeks)
        error = week.Error() || error;
    return error;
}
