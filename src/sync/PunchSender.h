#pragma once

#include "data/Result.h"

#include <QString>
#include <QStringList>

class SyncDatabase;

// What one round of sending did.
struct SendOutcome
{
    qint64 sent = 0;      // lines the server acknowledged in this round (stored now or before)
    qint64 waiting = 0;   // whole lines still waiting at this station after the round
    QStringList problems; // time files that cannot be sent, one line each
    QStringList replaced; // time files found rewritten, whose lines on the server were replaced
};

// Sends every whole time-file line of the listed employees that the server has not acknowledged,
// keyed by (station, the file's origin, employee, byte offset) so that a line sent twice is
// stored once. Before sending from an offset it checks that the file still begins with what was
// sent; a file rewritten meanwhile is sent again as the station's own change, recorded as a
// correction, and a retry of that re-send finds it done. A file the ledger does not know, or whose
// lines clash with others on the server (a restored backup, a copied folder), is looked for on
// the server by its content and only the lines the server lacks are sent; a clash holds back its
// own file only. The lines of every file go in one statement, so that an exchange costs a fixed
// number of round trips; after each statement the ledger is replaced; a failure leaves the rest
// waiting for the next round. rowsPerStatement bounds a statement (0 takes the default);
// verifyAll checks the files with nothing new as well.
IoResult SendPunches(SyncDatabase& database, const QString& station, SendOutcome* outcome,
                     qint64 rowsPerStatement = 0, bool verifyAll = true);

// The lines waiting at this station, without asking the server.
IoResult CountWaitingPunches(const QString& station, qint64* waiting);
