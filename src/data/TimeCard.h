#pragma once

#include "data/Result.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

// One line of a time file as an administrator corrects it: a punch that reads, or the bytes of a
// line that does not, shown as they are until he corrects or deletes it.
struct TimeCardLine
{
    QByteArray stored; // as stored, without its line end; empty for a punch added now
    bool readable = false;
    bool isIn = false;
    QDate date;
    QTime time;
    bool otherLineEnd = false; // stored with an end other than CR LF, which a save mends

    // A readable punch at a moment, as the punch recording writes it.
    static TimeCardLine punch(bool isIn, QDate date, QTime time);
    // The line as it is written to the file, without its line end.
    QByteArray text() const;
    bool before(const TimeCardLine& other) const;
};

// The lines of a time file in file order.
struct TimeCard
{
    QList<TimeCardLine> lines;
    QByteArray original; // the bytes read, to find out whether the file changed meanwhile

    bool allReadable() const;
};

// Reads a time file of whole records line by line; a file that is not whole records (or a line
// that does not read) is cut at its line ends, each piece kept as it is.
TimeCard ParseTimeCard(const QByteArray& bytes);
Result<TimeCard> ReadTimeCard(const QString& name);
// Old shape, kept for callers outside the core.
IoResult ReadTimeCard(const QString& name, TimeCard* card);

// The file of the lines: every line a punch, in time order (lines of the same moment keep their
// order), unchanged lines byte for byte. Nothing when a line does not read.
std::optional<QByteArray> SerializeTimeCard(const QList<TimeCardLine>& lines);
