#pragma once

#include "data/EmployeeList.h"
#include "timecalc/clsTime.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// The figures of one employee over the pay period, computed once from his time objects: the
// report text writes them and the exports copy them, so both always show the same numbers.
struct EmployeeFigures
{
    QString name;
    QString ssn; // as stored
    int shift = 0;
    float regularHours = 0;
    float overtimeHours = 0;
    float regularRate = 0;
    float overtimeRate = 0;
    float gross = 0;     // from the unrounded products, so it may differ by a cent from their sum
    bool over24 = false; // a day of more than 24 hours

    static EmployeeFigures of(const QString& name, const EmployeeRecord& employee,
                              const clsTime& time, const OvertimeRule& rule);
};

// One IN/OUT pair of a time card: the exact punches and the hours of the rounded times.
struct PunchPairFigures
{
    QString name;
    QDateTime in;
    QDateTime out;
    float hours = 0;
};

// The figures behind a finished report.
struct ReportFigures
{
    QDate from;
    QDate to;
    bool includeSsn = false;
    QList<EmployeeFigures> employees; // in report order
    bool timeCard = false;            // a time card report: the pairs below are part of it
    QList<PunchPairFigures> pairs;
};

// Every IN/OUT pair of the week or of the pay period, in time card order.
QList<PunchPairFigures> PunchPairsOf(const QString& name, const clsWeek& week);
QList<PunchPairFigures> PunchPairsOf(const QString& name, const clsTime& time);
