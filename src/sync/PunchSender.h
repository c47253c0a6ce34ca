#pragma once

#include "data/FileStore.h"

#include <QString>
#include <QStringList>

class SyncDatabase;

// What one round of sending did.
struct SendOutcome
{
    qint64 sent = 0;      // lines the server acknowledged in this round (stored now or before)
    qint64 waiting = 0;   // whole lines still waiting at this station after the round
    QStringList problems; // time files that cannot be sent, one line each
};

// Sends every whole time-file line of the listed employees that the server has not acknowledged,
// keyed by (station, employee, byte offset) so that a line sent twice is stored once. After each
// commit the ledger is replaced; a failure leaves the rest waiting for the next round.
// rowsPerTransaction bounds a transaction; 0 takes the default.
IoResult SendPunches(SyncDatabase& database, const QString& station, SendOutcome* outcome,
                     qint64 rowsPerTransaction = 0);

// Stores whole time-file lines of one employee as they lie in a station's file from offset on,
// each once; the tally of the reports counts the lines the server did not hold yet.
IoResult StorePunchLines(SyncDatabase& database, const QString& station, const QString& employee,
                         qint64 offset, const QByteArray& lines);

// The lines waiting at this station, without asking the server.
IoResult CountWaitingPunches(const QString& station, qint64* waiting);
