#include "testsupport/StepwiseLoadPayPeriod.h"

#include "data/TimeFile.h"
#include "timecalc/PairingRule.h"
#include "timecalc/TimeManipulation.h"

#include <QFile>

namespace {

// Record number n (from 1) of an open time file.
TimeRecord ReadRecord(QFile& file, qint64 n)
{
    file.seek((n - 1) * TimeRecord::Size);
    return TimeRecord::fromBytes(file.read(TimeRecord::Size));
}

} // namespace

clsTime StepwiseLoadPayPeriod(const QString& path, QDate start, QDate end, int roundingMode,
                              const QTimeZone& zone)
{
    clsTime time;
    const int weeks = WeeksInPeriod(start, end);
    for (int w = 1; w <= weeks; ++w) {
        const QDate ws = start.addDays(7 * (w - 1));
        const QDate we = ws.addDays(6);
        clsWeek week;
        WeekPairs count{ws.toJulianDay(), we.toJulianDay()};

        QFile counting(path);
        const qint64 records = counting.open(QIODevice::ReadOnly) ? counting.size() / 31 : 0;
        for (qint64 i = 1; i <= records; ++i) {
            const TimeRecord r = ReadRecord(counting, i);
            if (r.Action != QLatin1String("IN "))
                continue;
            if (!count.countIn(ParseFileDate(r.PunchDate).toJulianDay(), i == records))
                break;
        }
        counting.close();

        QFile pairing(path);
        if (pairing.open(QIODevice::ReadOnly)) {
            // Records from 1 here: pair j is records j and j + 1.
            for (qint64 j = count.nBefore + 1; j <= count.pairsEnd(); j += 2) {
                if (j >= records) // the last record, or past the end: no OUT to pair with
                    continue;
                const TimeRecord in = ReadRecord(pairing, j);
                const TimeRecord out = ReadRecord(pairing, j + 1);
                week.AddPeriod(PeriodFromPunches(in, out, roundingMode, zone));
            }
        }
        time.AddWeek(std::move(week));
    }
    return time;
}
