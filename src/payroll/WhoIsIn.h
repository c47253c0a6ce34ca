#pragma once

#include "data/EmployeeList.h"
#include "data/TimeFile.h"
#include "payroll/ReportFormat.h"
#include "punch/PunchStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

// The employees whose last punch is an IN: who is at work now, and whose OUT was forgotten.
struct PresentEmployee
{
    QString name;
    QDateTime since;  // the IN punch
    double hours = 0; // from the punch to now, as worked (a clock change counted)
    bool forgotten = false;
    bool future = false; // the IN is dated after now (a wrong clock or file): no hours counted
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

// Who is in by each employee's last punch in the store; fails when the store could not be read
// at all (an employee whose punches cannot be read is in the list's unread).
Result<WhoIsInList> FindWhoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                                const QTimeZone& zone, PunchStore& store);
// Old shape, kept for callers outside the core.
IoResult FindWhoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                     const QTimeZone& zone, PunchStore& store, WhoIsInList* list);
// The same from the data folder's time files, reading only the last record of each.
WhoIsInList FindWhoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                        const QTimeZone& zone);

// The list as a report text, CR LF line ends, times in the settings' format.
QString WhoIsInText(const WhoIsInList& list, const QString& timeFormat,
                    const RegionalFormats& formats);
// One header row, then one row per employee: name, ISO date and time of the IN, hours, 1 or 0
// for a probably forgotten OUT; then one row per employee not read, with only his name and the
// reason in the last column.
QByteArray WhoIsInCsv(const WhoIsInList& list);
