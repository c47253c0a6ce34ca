#pragma once

#include "data/FileStore.h"
#include "data/TimeCard.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The record of every correction of a time card: data/corrections.log, UTF-8, one line per
// changed punch, appended and never rewritten. Each line ends with a hash over the hash of the
// line before and its own fields, so a line changed, removed or inserted by hand breaks the chain.
struct Correction
{
    enum class Kind { Added, Changed, Deleted };

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
    int brokenLine = 0;   // the first line where the chain breaks, 0 when it holds
    QList<int> tornLines; // lines that a save cut short: shown, never trusted
    bool intact() const { return brokenLine == 0 && tornLines.isEmpty(); }
    // One line that says where the log is not intact, for a message.
    QString verdict() const;
};
CorrectionLogContents ParseCorrectionLog(const QByteArray& bytes);
IoResult ReadCorrectionLog(CorrectionLogContents* contents);
