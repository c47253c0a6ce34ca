#include "timecalc/clsPeriod.h"

float clsPeriod::Hours() const
{
    double hours = double(m_DateIn.daysTo(m_DateOut)) * 24.0 - m_TimeIn + m_TimeOut;
    if (m_In.isValid() && m_Out.isValid())
        hours -= double(m_Out.offsetFromUtc() - m_In.offsetFromUtc()) / 3600.0;
    return float(hours);
}
