#pragma once

#include <QByteArrayView>

// The one definition of a time file's line, field by field; every reader and writer of a line,
// and the server's expressions over its rows, take their offsets from here.
//
//   IN    01/15/2001        08:05\r\n
//   ^0    ^6                ^24  ^29
namespace PunchLine {

struct Field
{
    int offset;
    int length;
    constexpr int end() const { return offset + length; }
};

// A part of a field, placed from the start of the line.
constexpr Field within(Field outer, Field inner)
{
    return {outer.offset + inner.offset, inner.length};
}

inline constexpr int Size = 31;

inline constexpr Field Action{0, 3};   // "IN " or "OUT"
inline constexpr Field Date{6, 10};    // "mm/dd/yyyy"
inline constexpr Field Time{24, 5};    // "hh:mm"
inline constexpr Field LineEnd{29, 2}; // CR LF

inline constexpr char In[] = "IN ";
inline constexpr char Out[] = "OUT";

// The parts of the date and of the time, from the start of their own text.
inline constexpr Field MonthOfDate{0, 2};
inline constexpr Field DayOfDate{3, 2};
inline constexpr Field YearOfDate{6, 4};
inline constexpr Field HourOfTime{0, 2};
inline constexpr Field MinuteOfTime{3, 2};

inline constexpr Field Month = within(Date, MonthOfDate);
inline constexpr Field Day = within(Date, DayOfDate);
inline constexpr Field Year = within(Date, YearOfDate);
inline constexpr Field Hour = within(Time, HourOfTime);
inline constexpr Field Minute = within(Time, MinuteOfTime);

// The moment a line reads, as the bytes that order lines: year, month, day, hour, minute.
inline constexpr Field MomentKey[] = {Year, Month, Day, Hour, Minute};

// Every byte of a line as the recording writes it: A a letter of the action, 9 a digit.
inline constexpr char Shape[] = "AAA   99/99/9999        99:99\r\n";

constexpr bool isShapedAs(Field f, char c)
{
    for (int i = f.offset; i < f.end(); ++i) {
        if (Shape[i] != c)
            return false;
    }
    return true;
}

static_assert(sizeof Shape - 1 == Size && LineEnd.end() == Size);
static_assert(isShapedAs(Action, 'A') && isShapedAs(Month, '9') && isShapedAs(Day, '9') &&
              isShapedAs(Year, '9') && isShapedAs(Hour, '9') && isShapedAs(Minute, '9'));
static_assert(Action.length == sizeof In - 1 && Action.length == sizeof Out - 1);
static_assert(Date.end() <= Time.offset && Time.end() <= LineEnd.offset);
static_assert(Month.end() <= Day.offset && Day.end() <= Year.offset && Year.end() == Date.end());
static_assert(Minute.end() == Time.end() && Shape[Hour.end()] == ':');
static_assert(Shape[Month.end()] == '/' && Shape[Day.end()] == '/');

// The bytes of a field of a whole line.
constexpr QByteArrayView field(QByteArrayView line, Field f)
{
    return line.sliced(f.offset, f.length);
}

// The action of a whole line is "IN ": compared as three bytes, as every reader compares it.
inline bool isIn(const char* line)
{
    return line[Action.offset] == In[0] && line[Action.offset + 1] == In[1] &&
           line[Action.offset + 2] == In[2];
}

// Reads n ASCII digits at text as a number; false when one of them is not a digit.
inline bool readDigits(const char* text, int n, int* value)
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

// The digits of a field of a whole line as a number; false when one is not a digit.
inline bool readDigits(const char* line, Field f, int* value)
{
    return readDigits(line + f.offset, f.length, value);
}

} // namespace PunchLine
