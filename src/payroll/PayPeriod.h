#pragma once

#include <QDate>
#include <QString>

// A pay period is 1, 2, 3 or 4 whole weeks, its last day included.
bool IsValidPayPeriod(QDate from, QDate to);

// "You may only select a 1, 2, 3 or 4 week pay period"
QString PayPeriodMessage();
