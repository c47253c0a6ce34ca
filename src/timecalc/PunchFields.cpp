#include "timecalc/PunchFields.h"

#include "data/TimeFile.h"

void SplitPunchTime(const QString& time, int* hour, int* minute)
{
    const auto number = [&time](PunchLine::Field f) {
        return time.mid(f.offset, f.length).trimmed().toInt();
    };
    *hour = number(PunchLine::HourOfTime);
    *minute = number(PunchLine::MinuteOfTime);
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
    using PunchLine::readDigits;
    int month, day, year, hour, minute;
    if (readDigits(record, PunchLine::Month, &month) && readDigits(record, PunchLine::Day, &day) &&
        readDigits(record, PunchLine::Year, &year) && readDigits(record, PunchLine::Hour, &hour) &&
        readDigits(record, PunchLine::Minute, &minute)) {
        PunchFields f;
        f.date = QDate(year, month, day);
        f.hour = hour;
        f.minute = minute;
        return f;
    }
    const TimeRecord r = TimeRecord::fromBytes(QByteArrayView(record, TimeRecord::Size));
    return fromTexts(r.PunchDate, r.PunchTime);
}
