#include "data/ShiftHours.h"

#include "data/Environment.h"
#include "data/FileStore.h"

#include <algorithm>

namespace {

constexpr QByteArrayView VersionPrefix = "horodex shifts ";
constexpr QByteArrayView LimitKey = "limit";
constexpr QByteArrayView DayLetters = "MTWTFSS";
constexpr int ShiftFieldCount = 6;
constexpr int ShownProblems = 10;

// A whole number of at most three digits from low to high; none for anything else.
std::optional<int> smallNumber(QByteArrayView field, int low, int high)
{
    if (field.isEmpty() || field.size() > 3 ||
        !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = field.toInt();
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

// "HH:MM" on a 24-hour clock.
QTime timeField(QByteArrayView field)
{
    if (field.size() != 5 || field[2] != ':')
        return {};
    const std::optional<int> h = smallNumber(field.first(2), 0, 23);
    const std::optional<int> m = smallNumber(field.sliced(3), 0, 59);
    return h && m ? QTime(*h, *m) : QTime();
}

IoResult readShift(QByteArrayView line, ShiftHours* shift)
{
    const QList<QByteArray> fields = line.toByteArray().split('\t');
    if (fields.size() != ShiftFieldCount)
        return IoResult::failure(QStringLiteral("%1 fields where a shift has %2")
                                     .arg(fields.size())
                                     .arg(ShiftFieldCount));
    const std::optional<int> number = smallNumber(fields[0], 1, 9);
    if (!number || fields[0].size() != 1)
        return IoResult::failure(QStringLiteral("a shift is numbered 1 to 9"));
    shift->number = *number;
    shift->start = timeField(fields[1]);
    shift->end = timeField(fields[2]);
    if (!shift->start.isValid() || !shift->end.isValid())
        return IoResult::failure(QStringLiteral("a time is not written as HH:MM"));
    if (shift->start == shift->end)
        return IoResult::failure(QStringLiteral("the shift ends when it starts"));
    if (fields[3].size() != DayLetters.size())
        return IoResult::failure(QStringLiteral("the days are seven letters, Monday first"));
    for (qsizetype d = 0; d < DayLetters.size(); ++d) {
        const char c = fields[3][d];
        if (c != '-' && c != DayLetters[d])
            return IoResult::failure(QStringLiteral("the days are seven letters, Monday first"));
        shift->days[size_t(d)] = c != '-';
    }
    const std::optional<int> grace = smallNumber(fields[4], 0, MaxShiftMinutes);
    const std::optional<int> pause = smallNumber(fields[5], 0, MaxShiftMinutes);
    if (!grace || !pause)
        return IoResult::failure(
            QStringLiteral("a grace or a break is 0 to %1 minutes").arg(MaxShiftMinutes));
    shift->graceMinutes = *grace;
    shift->minimumBreakMinutes = *pause;
    return IoResult::success();
}

int versionOf(QByteArrayView firstLine)
{
    if (!firstLine.startsWith(VersionPrefix))
        return 0;
    return smallNumber(firstLine.sliced(VersionPrefix.size()), 1, 999).value_or(0);
}

QString problemsText(const QStringList& problems)
{
    QString text = problems.mid(0, ShownProblems).join(QStringLiteral("; "));
    if (problems.size() > ShownProblems)
        text += QStringLiteral("; and %1 more").arg(problems.size() - ShownProblems);
    return text;
}

QByteArray timeText(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm")).toLatin1();
}

} // namespace

const ShiftHours* ShiftSchedule::shift(int number) const
{
    const auto found = std::find_if(shifts.cbegin(), shifts.cend(),
                                    [number](const ShiftHours& s) { return s.number == number; });
    return found == shifts.cend() ? nullptr : &*found;
}

const ShiftHours* ShiftSchedule::shiftOf(const QString& shiftField) const
{
    const QString text = shiftField.trimmed();
    if (text.size() != 1 || text[0] < u'1' || text[0] > u'9')
        return nullptr;
    return shift(text[0].unicode() - u'0');
}

QString ShiftScheduleFilePath()
{
    return Environment::dataFilePath(QStringLiteral("shifts.txt"));
}

ShiftSchedule ParseShiftSchedule(const QByteArray& bytes, bool* newerVersion)
{
    ShiftSchedule schedule;
    if (newerVersion)
        *newerVersion = false;
    const QList<QByteArray> lines = bytes.split('\n');
    bool limitSeen = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArrayView line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        if (i == 0) {
            const int version = versionOf(line);
            if (version > ShiftScheduleVersion && newerVersion)
                *newerVersion = true;
            if (version > ShiftScheduleVersion)
                return schedule;
            if (version == 0)
                schedule.problems.append(where + QStringLiteral("not a version line"));
            continue;
        }
        if (line.isEmpty())
            continue;
        if (line.startsWith(LimitKey) && line.size() > LimitKey.size() &&
            line[LimitKey.size()] == '\t') {
            const std::optional<int> hours =
                smallNumber(line.sliced(LimitKey.size() + 1), MinOpenLimitHours, MaxOpenLimitHours);
            if (!hours || limitSeen)
                schedule.problems.append(where + QStringLiteral("the limit is given once, %1 to "
                                                                "%2 hours")
                                                     .arg(MinOpenLimitHours)
                                                     .arg(MaxOpenLimitHours));
            else
                schedule.openLimitHours = *hours;
            limitSeen = true;
            continue;
        }
        ShiftHours shift;
        if (const IoResult read = readShift(line, &shift); !read)
            schedule.problems.append(where + read.error);
        else if (schedule.shift(shift.number))
            schedule.problems.append(where +
                                     QStringLiteral("shift %1 is given twice").arg(shift.number));
        else
            schedule.shifts.append(shift);
    }
    std::sort(schedule.shifts.begin(), schedule.shifts.end(),
              [](const ShiftHours& a, const ShiftHours& b) { return a.number < b.number; });
    return schedule;
}

QByteArray SerializeShiftSchedule(const ShiftSchedule& schedule)
{
    QByteArray bytes =
        VersionPrefix.toByteArray() + QByteArray::number(ShiftScheduleVersion) + '\n';
    bytes += LimitKey.toByteArray() + '\t' + QByteArray::number(schedule.openLimitHours) + '\n';
    for (const ShiftHours& s : schedule.shifts) {
        QByteArray days;
        for (qsizetype d = 0; d < DayLetters.size(); ++d)
            days += s.days[size_t(d)] ? DayLetters[d] : '-';
        bytes += QByteArray::number(s.number) + '\t' + timeText(s.start) + '\t' + timeText(s.end) +
                 '\t' + days + '\t' + QByteArray::number(s.graceMinutes) + '\t' +
                 QByteArray::number(s.minimumBreakMinutes) + '\n';
    }
    return bytes;
}

Result<ShiftSchedule> ReadShiftSchedule()
{
    const QString path = ShiftScheduleFilePath();
    QByteArray bytes;
    if (const IoResult read = FileStore::readFile(path, &bytes, MaxShiftScheduleSize, true); !read)
        return read;
    if (bytes.isEmpty())
        return ShiftSchedule{};
    bool newer = false;
    ShiftSchedule schedule = ParseShiftSchedule(bytes, &newer);
    if (newer)
        return IoResult::failure(
            QStringLiteral("The shifts file \"%1\" was written by a newer version of Horodex; "
                           "this version reads version %2 and does not use it.")
                .arg(FileStore::displayPath(path))
                .arg(ShiftScheduleVersion));
    if (!schedule.isClean())
        return IoResult::failure(
            QStringLiteral("The shifts file \"%1\" holds lines that cannot be read (%2).")
                .arg(FileStore::displayPath(path), problemsText(schedule.problems)));
    return schedule;
}

IoResult WriteShiftSchedule(const ShiftSchedule& given)
{
    ShiftSchedule schedule = given;
    std::sort(schedule.shifts.begin(), schedule.shifts.end(),
              [](const ShiftHours& a, const ShiftHours& b) { return a.number < b.number; });
    const QByteArray bytes = SerializeShiftSchedule(schedule);
    const ShiftSchedule again = ParseShiftSchedule(bytes);
    if (!again.isClean() || again.shifts != schedule.shifts ||
        again.openLimitHours != schedule.openLimitHours)
        return IoResult::failure(QStringLiteral("These shifts cannot be saved: a shift is "
                                                "numbered 1 to 9, given once, and ends at "
                                                "another time than it starts."));
    return FileStore::replaceFile(ShiftScheduleFilePath(), bytes);
}
