#pragma once

#include "timecalc/clsTime.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

// The reference reading of a pay period: for every week the time file is opened twice, once to
// count the INs from the first record by the pairing rule (timecalc/PairingRule.h), once to read
// the week's pairs by record number. LoadPayPeriod reads it all in one pass; the tests and the
// fuzzers check that both give the same, and bench_payroll that the one pass is faster.
clsTime StepwiseLoadPayPeriod(const QString& path, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone);
