#pragma once

#include "data/EmployeeList.h"
#include "data/ShiftHours.h"
#include "data/TimeCard.h"
#include "payroll/ReportFormat.h"
#include "punch/PunchStore.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

// What a manager looks at before pay day: punches that are probably wrong, found on the pairs as
// the payroll report pays them (records 2k and 2k + 1 of the file), so that nothing is paid as a
// long day without being listed here.
enum class PunchExceptionKind {
    OpenIn,      // the last punch is an IN older than the limit: an OUT forgotten
    LongPair,    // a pair longer than the limit, paid as one long day
    DoublePunch, // a pair shorter than a minute
    Unpaired,    // a pair that is not an IN followed by a later OUT
    LateIn,      // the day's first IN after the shift's start and its grace
    EarlyOut,    // the day's last OUT before the shift's end less its grace
    ShortBreak,  // an OUT then an IN the same day, closer than the shift's shortest break
    DeclaredOut, // an OUT the employee declared at the station, awaiting approval
    FlaggedOut,  // an OUT punched at the station after a long shift, awaiting approval
};

struct PunchException
{
    QString employee;
    QDate day; // the date of the pair's IN, or of the punch
    PunchExceptionKind kind = PunchExceptionKind::OpenIn;
    QDateTime first;    // the IN (the OUT that starts a break; the OUT declared or flagged)
    QDateTime second;   // the OUT (the IN that ends a break; when it was declared); null for an
                        // open IN
    qint64 minutes = 0; // how long, how late or how early
    QByteArray line;    // the punch awaiting approval, as the time file holds it

    bool operator==(const PunchException&) const = default;
};

struct UnreadCard
{
    QString employee;
    QString reason; // names the file
};

struct PunchExceptionList
{
    QDate from;
    QDate to;
    QDateTime at;
    int openLimitHours = 16;
    QList<PunchException> items; // by employee in the list's order, then by day
    QList<UnreadCard> unread;
    QString unreadRecord; // why the record of corrections could not be read whole; empty if it was

    // The declared and flagged punches listed, which the manager has still to approve.
    qsizetype awaitingApproval() const;
};

// The exceptions of one employee's time file whose day lies from `from` to `to` (an open IN up to
// now whatever its day). shift is null when the employee's shift has no hours.
QList<PunchException> FindCardExceptions(const QString& employee, const QList<TimeCardLine>& lines,
                                         QDate from, QDate to, const ShiftHours* shift,
                                         int openLimitHours, const QDateTime& now,
                                         const QTimeZone& zone);

// The exceptions of every listed employee from the store, and the punches of the period that
// the store's record of corrections holds as awaiting approval. A time file that cannot be read, or
// holds a line that does not read, is listed in unread; fails only when the store fails.
Result<PunchExceptionList> FindPunchExceptions(const QList<EmployeeRecord>& employees, QDate from,
                                               QDate to, const ShiftSchedule& schedule,
                                               const QDateTime& now, const QTimeZone& zone,
                                               PunchStore& store);

// What one exception says, in a line, times in the settings' format.
QString PunchExceptionText(const PunchException& e, int openLimitHours, const QString& timeFormat,
                           const RegionalFormats& formats);

// The reason a correction made for it starts with.
QString PunchExceptionReason(PunchExceptionKind kind);

// The list as a report text, CR LF line ends.
QString PunchExceptionsText(const PunchExceptionList& list, const QString& timeFormat,
                            const RegionalFormats& formats);
// One header row, then a row per exception: name, ISO day, kind, ISO moments, minutes; then a
// row per employee not read, with only his name and the reason in the last column.
QByteArray PunchExceptionsCsv(const PunchExceptionList& list);
