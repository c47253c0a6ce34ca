#pragma once

#include "data/CorrectionLog.h"
#include "data/Result.h"
#include "data/TimeFile.h"
#include "punch/PunchStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>

// An OUT the employee forgot, caught at the station before anything is written: his last punch is
// an IN older than the open-IN limit. He either says when he left (the OUT is written at that
// time, and an IN now when he is arriving) or punches OUT now as a long shift; either way the
// record of corrections gets a line that the manager approves later. No widget here: the station
// asks, this writes.
namespace ForgottenOut {

// What the station asks about.
struct Question
{
    QString employee;
    TimeRecord lastIn;
    QDateTime since; // the moment of that IN
    QDateTime now;
    qint64 hoursOpen() const { return since.secsTo(now) / 3600; }
};

// The question to ask, or none when the last punch is no IN or not older than limitHours. Times
// are the time file's wall clock, placed in zone.
std::optional<Question> question(const QString& employee, const std::optional<TimeRecord>& last,
                                 const QDateTime& now, int limitHours, const QTimeZone& zone);

// The same at Environment::now(), read as the time file's wall clock as declare() reads it: what
// the station asks when an employee is chosen.
std::optional<Question> questionNow(const QString& employee, const std::optional<TimeRecord>& last,
                                    int limitHours, const QTimeZone& zone);

// The moment a time of day typed on the keypad names: the first one after the IN. Invalid when
// that moment is after now (he cannot have left in the future).
QDateTime leftAtMoment(const Question& question, QTime leftAt);

struct Declared
{
    QByteArray outLine;  // the OUT written, without its line end
    QByteArray inLine;   // the IN written now when arriving; empty otherwise
    Correction recorded; // its line in the record of corrections
};

// Writes the OUT at leftAt (in the minute, after the IN and not after now) and, when arriving, an
// IN now, in one durable append to his time file, then the declaration to the record of
// corrections. Reads his last punch again first: the question may be stale (another station, a
// correction), and then nothing is written. The clock is Environment::now().
Result<Declared> declare(const QString& employee, const QDateTime& leftAt, bool arriving,
                         int limitHours, const QTimeZone& zone);

// Punches OUT now, as any punch, and flags it in the record of corrections for the manager: a
// shift as long as that, or an OUT forgotten that the employee did not correct.
Result<Declared> punchOutNow(const QString& employee, int limitHours, const QTimeZone& zone);

// A declared or flagged punch the manager has not approved yet.
struct Awaiting
{
    Correction correction; // kind Declared or Flagged; newLine is the punch
    qsizetype entry = 0;   // its place in the record, from 0
};

// The punches of a record awaiting approval, in the record's order. An approval of the same
// employee and line ends the wait, and so does a later correction that changed or deleted it.
QList<Awaiting> awaitingApproval(const QList<Correction>& record);

// The manager approves a punch awaiting approval: a line in the store's record of corrections,
// saved as a correction that changes no punch (so a head station's goes to the server). Refused
// when the record (read again) no longer holds it as awaiting, or the time card does not hold it.
IoResult approve(PunchStore& store, const QString& employee, const QByteArray& line,
                 const QString& reason);

} // namespace ForgottenOut
