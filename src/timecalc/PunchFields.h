#pragma once

#include <QDate>
#include <QString>

// The date and time of a punch line as numbers, read the way ParseFileDate and the time
// splitting read their texts.
struct PunchFields
{
    QDate date;
    int hour = 0;
    int minute = 0;

    // From a whole 31-byte line. Lines of plain digits are read without building texts; any
    // other line is read from its texts, so both give the same numbers.
    static PunchFields fromRecord(const char* record);
    static PunchFields fromTexts(const QString& date, const QString& time);
};

// The hour and minute of "hh:mm": the numbers in characters 1–2 and 4–5 (0 when unreadable).
void SplitPunchTime(const QString& time, int* hour, int* minute);
