#pragma once

#include "data/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <optional>

// The usual hours of the shifts 1 to 9 of the employee list, and how long an IN may stay open
// before the station asks whether the OUT was forgotten: data/shifts.txt, ASCII, a version line
// and then one line each:
//
//   horodex shifts 1
//   limit<TAB>16
//   1<TAB>08:00<TAB>16:30<TAB>MTWTF--<TAB>5<TAB>30
//
// A shift line gives its number, its start and end (an end at or before the start ends the next
// day), its working days from Monday to Sunday (a dash for a day off), the grace in minutes before
// an IN is late or an OUT early, and the shortest break in minutes (0: no minimum). Without the
// file, or without a shift's line, nothing is late or early.
struct ShiftHours
{
    int number = 0; // 1 … 9
    QTime start;
    QTime end;
    std::array<bool, 7> days{}; // Monday first
    int graceMinutes = 0;
    int minimumBreakMinutes = 0;

    bool worksOn(int dayOfWeek) const { return days[size_t(dayOfWeek - 1)]; } // QDate's 1 … 7
    bool endsNextDay() const { return end <= start; }
    bool operator==(const ShiftHours&) const = default;
};

struct ShiftSchedule
{
    int openLimitHours = 16;
    QList<ShiftHours> shifts; // by number, each at most once
    QStringList problems;     // one entry per unreadable line, naming the line number

    bool isClean() const { return problems.isEmpty(); }
    const ShiftHours* shift(int number) const;
    // The shift of an employee record's Shift field ("1" … "9"); none for another text.
    const ShiftHours* shiftOf(const QString& shiftField) const;
};

inline constexpr int ShiftScheduleVersion = 1;
inline constexpr qint64 MaxShiftScheduleSize = 64 << 10;
inline constexpr int MinOpenLimitHours = 1;
inline constexpr int MaxOpenLimitHours = 72;
inline constexpr int MaxShiftMinutes = 240; // a grace or a break

QString ShiftScheduleFilePath();

// Parses the bytes of the file. A file of a newer version is refused whole (newerVersion); each
// damaged line is named in problems and left out, every good line is kept.
ShiftSchedule ParseShiftSchedule(const QByteArray& bytes, bool* newerVersion = nullptr);
QByteArray SerializeShiftSchedule(const ShiftSchedule& schedule);

// Reads the data folder's file; a missing file is the defaults. A file that cannot be read, one of
// a newer version and one with damaged lines fail with a message naming the file and the lines.
Result<ShiftSchedule> ReadShiftSchedule();
// Replaces the file atomically; refuses a schedule that would not read back the same.
IoResult WriteShiftSchedule(const ShiftSchedule& schedule);
