#pragma once

#include <QtGlobal>

// The pairing rule: which IN goes with which OUT, and which week pays the pair.
//
// A time file holds the punches in the order they were recorded, which lays it out as IN, OUT,
// IN, OUT ...: pair k is records 2k and 2k + 1, whatever their actions say. The pairs of a week
// are found by counting INs from the start of the file. For the week of the 2nd to the 8th:
//
//   record    0    1    2    3    4    5    6    7    8    9   10
//   punch     IN   OUT  IN   OUT  IN   OUT  IN   OUT  IN   OUT  IN
//   IN date   1st       2nd       4th       8th       9th       10th
//                     |<------ the week: 2nd to 8th ------>|
//   pairs     (0,1)     (2,3)     (4,5)     (6,7)
//   count     before    week      week      week      after: the count ends here
//
// - an IN dated before the week moves the week's pairs two records on;
// - an IN dated in the week is one more pair of the week, taken in turn after those before it;
// - the first IN dated after the week ends the count: no later record is looked at;
// - an IN that is the last record has no OUT yet and is not paid;
// - the pair (6,7), a night from the 8th into the 9th, is paid in the week of its IN; pairs in a
//   row with the same IN date make one day (clsWeek::AddPeriod).
struct WeekPairs
{
    qint64 firstDay; // Julian days of the week's first and last day
    qint64 lastDay;
    qint64 nBefore = 0; // records before the week's first pair
    qint64 nIn = 0;     // pairs of the week

    // Counts the next IN of the file, dated inDay (a date that cannot be read is earlier than any
    // day). False when the IN lies after the week: the count is over.
    bool countIn(qint64 inDay, bool isLastRecord)
    {
        if (inDay > lastDay)
            return false;
        if (inDay < firstDay)
            nBefore += 2;
        else if (!isLastRecord)
            ++nIn;
        return true;
    }

    // The week's pairs are records (j, j + 1) for j = nBefore, nBefore + 2 ... below pairsEnd(),
    // as far as the file holds both records.
    qint64 pairsEnd() const { return nBefore + 2 * nIn; }
};
