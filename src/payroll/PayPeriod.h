#pragma once

#include <QDate>
#include <QString>

// A pay period is 1, 2, 3 or 4 whole weeks, its last day included.
bool IsValidPayPeriod(QDate from, QDate to);

// The first day the report windows offer, which the report program keeps to as well.
QDate EarliestPayPeriodDate();

// "You may only select a 1, 2, 3 or 4 week pay period"
QString PayPeriodMessage();
