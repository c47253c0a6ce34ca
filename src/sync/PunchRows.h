#pragma once

#include "data/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class SyncDatabase;

// How the server keeps time-file lines: one row per line, keyed by the station, the identity of
// the station's file (origin) and the line's byte offset in it. Every reader orders lines alike:
// by the date and time they read, then, within one minute, by when the server received them.

// The ORDER BY of every reading, oldest first ("DESC" after each column for newest first).
QString PunchOrder(bool newestFirst = false);

// Whole lines of one file from offset on, to be stored.
struct PunchBlock
{
    QString employee;
    QByteArray origin;
    qint64 offset = 0;
    QByteArray lines;
    bool fresh = false; // an origin of which the server holds nothing: no clash is looked for
};

// Stores the blocks of several files in one statement (one transaction), each line once. A block
// of which a key on the server already holds a different line is not stored at all: its place in
// blocks is in *clashed, in order; the others are stored. Such a line is never counted as sent.
// A row the server held already is looked at once more (lookAgain), in a statement of its own.
IoResult StorePunchBlocks(SyncDatabase& database, const QString& station,
                          const QList<PunchBlock>& blocks, QList<qsizetype>* clashed,
                          bool lookAgain = true);

// The one statement of StorePunchBlocks, for a look at its plan.
const QString& StorePunchBlocksStatement();

// The message naming a file whose lines clash with others at their places on the server.
QString ClashMessage(const QString& employee);

// Stores whole lines of one file from offset on, each once. Fails without storing anything when
// the server already holds a different line at one of their keys (setting *clash): such a line
// is never counted as sent.
IoResult StorePunchLines(SyncDatabase& database, const QString& station, const QByteArray& origin,
                         const QString& employee, qint64 offset, const QByteArray& lines,
                         bool* clash = nullptr);

// One row of the server's table, as a station's file put it there.
struct PunchRow
{
    QByteArray origin;
    qint64 offset = 0;
    QByteArray line;
    bool removed = false;
    QString received; // as the server writes it, to be given back unchanged
};

// Marks the given rows of one station's employee removed, taking them out of the tally.
IoResult RemovePunchRows(SyncDatabase& database, const QString& station, const QString& employee,
                         const QList<PunchRow>& rows);

// Rows just stored under origin at the given offsets take over when the server first received
// their line and whether it was removed (a correction made at the head meanwhile stays).
IoResult InheritPunchRows(SyncDatabase& database, const QString& station, const QByteArray& origin,
                          const QString& employee, const QList<qint64>& offsets,
                          const QList<PunchRow>& from);

// Marks lines removed (they stay for the record) and takes them out of the reports' tally: all
// of the employee's lines, or only those of one station's file.
IoResult RemovePunchLines(SyncDatabase& database, const QString& employee,
                          const QString& station = QString(),
                          const QByteArray& origin = QByteArray());

// An origin as the server's text column holds it (never NULL: lines of no origin hold "").
QString OriginText(const QByteArray& origin);

// Whether a row's bytes are a time-file line as the recording writes it: its shape, an action,
// and a date and a time that can be.
bool IsPunchLine(QByteArrayView line);

// A row that is not a time-file line (a hand-made row on the server): the message that names it.
QString BadPunchRowMessage(const QString& employee);
