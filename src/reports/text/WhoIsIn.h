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

// An employee whose time file could not be read: he may well be in.
struct UnreadEmployee
{
    QString name;
    QString reason; // names the file
};

struct WhoIsInList
{
    QDateTime at;
    QList<PresentEmployee> present; // longest in first
    QList<UnreadEmployee> unread;   // in the order of the list
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
// for a probably forgotten OUT; then one row per employee not read, with only his name and the
// reason in the last column.
QByteArray WhoIsInCsv(const WhoIsInList& list);
