#include "payroll/PayPeriod.h"

bool IsValidPayPeriod(QDate from, QDate to)
{
    if (!from.isValid() || !to.isValid())
        return false;
    const qint64 days = from.daysTo(to) + 1;
    return days == 7 || days == 14 || days == 21 || days == 28;
}

QDate EarliestPayPeriodDate()
{
    return QDate(1999, 12, 31);
}

QString PayPeriodMessage()
{
    return QStringLiteral("You may only select a 1, 2, 3 or 4 week pay period");
}
