#pragma once

#include "data/Result.h"
#include "data/TimeCard.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The record of every correction of a time card: data/corrections.log, UTF-8, one line per
// changed punch, appended and never rewritten. Each line ends with a hash over the hash of the
// line before and its own fields, so a line changed, removed or inserted by hand breaks the chain.
struct Correction
{
    // Declared: an OUT the employee said at the station he forgot, written at the time he gave.
    // Flagged: an OUT punched at the end of a long shift he did not correct. Approved: the
    // manager accepted such a punch (newLine names it). Older readers take the three words for
    // changes they do not know; the chain holds all the same.
    enum class Kind { Added, Changed, Deleted, Declared, Flagged, Approved };

    QDateTime when; // the moment of the save, written with its UTC offset
    QString employee;
    Kind kind = Kind::Added;
    QByteArray oldLine; // the time-file line as stored, without its line end; empty when added
    QByteArray newLine; // empty when deleted
    QString reason;

    static QString kindName(Kind kind);
};

inline constexpr qint64 MaxCorrectionLogSize = 64 << 20;

QString CorrectionLogPath();

// The hash that the first line chains to.
QByteArray CorrectionChainStart();

// The log lines of corrections made at one save, chained to the line whose hash is previous.
QByteArray FormatCorrections(const QList<Correction>& corrections, QByteArray previousHash);

// Where the log ends: read before a time file is changed, so that a log that cannot be read stops
// the change before anything is written.
struct CorrectionLogEnd
{
    QByteArray hash; // of the last whole line, or the chain's start
    bool endsWithLine = true;
};
IoResult ReadCorrectionLogEnd(CorrectionLogEnd* end);
// Appends corrections after that end in one write; a line a crash cut short is ended first, so
// that it stays one line of its own.
IoResult AppendCorrections(const CorrectionLogEnd& end, const QList<Correction>& corrections);

// Saves a corrected time card: the time file is replaced whole (if it has not changed since it was
// read), then its corrections are appended to the log in one write. A crash leaves the old file
// or the new one, and the log never claims a change that the file does not hold.
IoResult SaveCorrectedTimeCard(const QString& name, const TimeCard& read,
                               const QList<TimeCardLine>& corrected,
                               const QList<Correction>& corrections);

// The log as read: its corrections, in order, and what is wrong with it.
struct CorrectionLogContents
{
    QList<Correction> corrections;
    QList<QByteArray> hashes; // the hash of every whole line, in order: the record's entries
    int brokenLine = 0;       // the first line where the chain breaks, 0 when it holds
    QList<int> tornLines;     // lines without the fields and hash of a whole line: never trusted
    QList<int> tornFields;    // how many fields each of those lines holds
    bool found = true;        // false: the file does not exist
    bool intact() const { return brokenLine == 0 && tornLines.isEmpty(); }
    // One line that says whether the record is intact and, if not, where; record names it
    // ("the record of corrections \"...\"", the local file when empty).
    QString verdict(const QString& record = QString()) const;
};
CorrectionLogContents ParseCorrectionLog(const QByteArray& bytes);
IoResult ReadCorrectionLog(CorrectionLogContents* contents);

// "the record of corrections \"/path/corrections.log\"", for messages.
QString LocalCorrectionLogName();

// The lines of a log as stored, without their line ends.
QList<QByteArray> CorrectionLogLines(const QByteArray& bytes);
// The first line (from 1) where copy is not the start of record: a line that differs, or one
// that record lacks; 0 when record begins with copy (or equals it).
qsizetype FirstLineNotIn(const QList<QByteArray>& copy, const QList<QByteArray>& record);

// A chain kept in one folder cannot prove its own end: whoever cuts it short or rewrites it whole
// leaves a chain that holds. Its head, the number of entries and the start of the last one's hash,
// written down outside the folder, proves later that the record still holds them.
struct CorrectionLogHead
{
    static constexpr int HashDigits = 16; // enough to tell records apart, short enough to read out

    qsizetype entries = 0;
    QByteArray hash; // HashDigits lowercase hex digits; of an empty record, of the chain's start

    // "12:3fa9c0d1e2b34a5f", as --head takes it.
    QString text() const;
    // N:HASH with HashDigits to 64 hex digits (only the first HashDigits are compared).
    static std::optional<CorrectionLogHead> parse(const QString& text);
    static CorrectionLogHead of(const CorrectionLogContents& contents);
    static CorrectionLogHead of(qsizetype entries, const QByteArray& lastHash);
};

// What the report, the Correct Time Card window and the About box show of the head.
QString CorrectionLogHeadText(const CorrectionLogHead& head);
IoResult ReadCorrectionLogHead(CorrectionLogHead* head);

// Empty when the record still holds the entry the head names, at its place; otherwise what is
// missing, naming the record.
QString MissingFromHead(const CorrectionLogContents& contents, const CorrectionLogHead& head,
                        const QString& record);
