#pragma once

#include "data/FileStore.h"
#include "data/PunchLine.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// One punch: a line of PunchLine's fields, as texts.
struct TimeRecord
{
    static constexpr int Size = PunchLine::Size;

    QString Action;    // "IN " or "OUT"
    QString PunchDate; // "mm/dd/yyyy"
    QString PunchTime; // "hh:mm"

    static TimeRecord fromBytes(QByteArrayView line); // line holds Size bytes
    bool isIn() const { return Action == QLatin1String(PunchLine::In); }
};

inline constexpr int LastActionTextLength = 45;

// The largest time file the reports read: over eight million punches, centuries of work; a
// larger one is damaged (a sparse or hostile file) and refused rather than scanned.
inline constexpr qint64 MaxTimeFileSize = qint64(TimeRecord::Size) << 23;
QString TimeFileTooLargeMessage(const QString& path, qint64 size);

QString TimeFilePath(const QString& name);

// The line for a punch at the given moment, both date and time taken from one clock reading.
QByteArray FormatPunchLine(bool isIn, const QDateTime& moment);

// Appends the punch line for the current time, and hands back the record it wrote. Fails, naming
// the file, when the line is not on disk; the caller then shows the failure and changes nothing
// on screen.
Result<TimeRecord> RecordPunch(const QString& name, bool isIn);
// Old shape, kept for callers outside the core.
IoResult RecordPunch(const QString& name, bool isIn, TimeRecord* recorded);

// The last whole record of the time file, read alone; none for an empty or missing file.
Result<std::optional<TimeRecord>> ReadLastPunch(const QString& name);
// Old shape, kept for callers outside the core; wholeRecords tells whether the file's length is
// a multiple of a record.
IoResult ReadLastRecord(const QString& name, std::optional<TimeRecord>* record,
                        bool* wholeRecords = nullptr);

// True when the last record is an IN; fills lastActionText (45 characters, blank without a punch)
// with its time in timeFormat. A missing file counts as empty. Fails when the file cannot be
// read, leaving the text blank.
Result<bool> ReadLastAction(const QString& name, const QString& timeFormat,
                            QString* lastActionText);

// Length is a multiple of 31, or whole records and the torn start of one more (a missing file
// counts as empty).
bool TimeFileIsValid(const QString& name);
// The same rule for a file already open, which every reader of a time file applies.
bool HoldsWholeRecords(FileStore::Reader& file);
// Why a file that breaks that rule is not read, naming it.
QString TimeFileLengthMessage(const QString& path);

// The first bytes of a punch line, as a write cut short by a crash or a power cut leaves them.
bool IsTornRecord(QByteArrayView tail);

QDate ParseFileDate(const QString& text);

// Formats a time of day with the settings' TimeFormat: "hh:nn AM/PM" or "hh:mm".
QString FormatTimeOfDay(const QTime& time, const QString& timeFormat);

// "IN  at  08:05 AM  Monday, January 15", padded or cut to 45 characters.
QString FormatLastActionText(const TimeRecord& record, const QString& timeFormat);

// The message shown when a time file's length is not a multiple of 31.
QString InvalidTimeFileMessage();
