#include "timecalc/PunchFields.h"

#include "data/TimeFile.h"

void SplitPunchTime(const QString& time, int* hour, int* minute)
{
    *hour = time.mid(0, 2).trimmed().toInt();
    *minute = time.mid(3, 2).trimmed().toInt();
}

PunchFields PunchFields::fromTexts(const QString& date, const QString& time)
{
    PunchFields f;
    f.date = ParseFileDate(date);
    SplitPunchTime(time, &f.hour, &f.minute);
    return f;
}

PunchFields PunchFields::fromRecord(const char* record)
{
    int month, day, year, hour, minute;
    if (ReadDigits(record + 6, 2, &month) && ReadDigits(record + 9, 2, &day) &&
        ReadDigits(record + 12, 4, &year) && ReadDigits(record + 24, 2, &hour) &&
        ReadDigits(record + 27, 2, &minute)) {
        PunchFields f;
        f.date = QDate(year, month, day);
        f.hour = hour;
        f.minute = minute;
        return f;
    }
    const TimeRecord r = TimeRecord::fromBytes(QByteArrayView(record, TimeRecord::Size));
    return fromTexts(r.PunchDate, r.PunchTime);
}
