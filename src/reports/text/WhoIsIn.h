#pragma once

#include "data/EmployeeList.h"
#include "data/TimeFile.h"
#include "reports/text/ReportFormat.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <functional>
#include <optional>

// The employees whose last punch is an IN: who is at work now, and whose OUT was forgotten.
struct PresentEmployee
{
    QString name;
    QDateTime since;  // the IN punch
    double hours = 0; // from the punch to now, as worked (a clock change counted)
    bool forgotten = false;
};

inline constexpr int ForgottenAfterHours = 16;

struct WhoIsInList
{
    QDateTime at;
    QList<PresentEmployee> present; // longest in first
    QStringList problems;           // time files not read, each named
};

// Where an employee's last record comes from: his time file, or the punches of every station.
using LastRecordReader =
    std::function<IoResult(const QString& name, std::optional<TimeRecord>*, bool* wholeRecords)>;

// Reads only the last record of each employee.
WhoIsInList FindWhoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                        const QTimeZone& zone, const LastRecordReader& read = ReadLastRecord);

// The list as a report text, CR LF line ends, times in the settings' format.
QString WhoIsInText(const WhoIsInList& list, const QString& timeFormat,
                    const RegionalFormats& formats);
// One header row, then one row per employee: name, ISO date and time of the IN, hours, 1 or 0
// for a probably forgotten OUT.
QByteArray WhoIsInCsv(const WhoIsInList& list);
