#pragma once

#include <QDate>
#include <QString>

#include <cstring>

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

// Reads n ASCII digits at text as a number; false when one of them is not a digit.
inline bool ReadDigits(const char* text, int n, int* value)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned d = unsigned(text[i]) - unsigned('0');
        if (d > 9)
            return false;
        v = v * 10 + int(d);
    }
    *value = v;
    return true;
}
