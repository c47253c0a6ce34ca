#include "StepwiseLoadPayPeriod.h"

#include "data/TimeFile.h"
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
        qint64 nIn = 0;
        qint64 nBefore = 0;

        QFile counting(path);
        const qint64 records = counting.open(QIODevice::ReadOnly) ? counting.size() / 31 : 0;
        for (qint64 i = 1; i <= records; ++i) {
            const TimeRecord r = ReadRecord(counting, i);
            if (r.Action != QLatin1String("IN "))
                continue;
            const QDate d = ParseFileDate(r.PunchDate);
            if (ws <= d && d <= we && i != records)
                ++nIn;
            else if (d < ws)
                nBefore += 2;
            else if (d > we)
                break;
        }
        counting.close();

        QFile pairing(path);
        if (pairing.open(QIODevice::ReadOnly)) {
            for (qint64 j = nBefore + 1; j <= nBefore + 2 * nIn; j += 2) {
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
