#include "data/TimeFile.h"

#include "data/Environment.h"
#include "data/FileStore.h"

#include <QDir>

TimeRecord TimeRecord::fromBytes(QByteArrayView line)
{
    TimeRecord r;
    r.Action = QString::fromLatin1(PunchLine::field(line, PunchLine::Action));
    r.PunchDate = QString::fromLatin1(PunchLine::field(line, PunchLine::Date));
    r.PunchTime = QString::fromLatin1(PunchLine::field(line, PunchLine::Time));
    return r;
}

QString TimeFilePath(const QString& name)
{
    return Environment::dataFilePath(name + QStringLiteral(".txt"));
}

QByteArray FormatPunchLine(bool isIn, const QDateTime& moment)
{
    using namespace PunchLine;
    static_assert(Action.offset == 0 && Time.end() == LineEnd.offset && LineEnd.length == 2);
    // The gaps between the fields are spaces.
    QByteArray line(isIn ? In : Out);
    line.append(Date.offset - Action.end(), ' ');
    const auto digits = [&line](int value, int width) {
        line.append(QByteArray::number(value).rightJustified(width, '0'));
    };
    const QDate date = moment.date();
    digits(date.month(), 2);
    line.append('/');
    digits(date.day(), 2);
    line.append('/');
    digits(date.year(), 4);
    line.append(Time.offset - Date.end(), ' ');
    digits(moment.time().hour(), 2);
    line.append(':');
    digits(moment.time().minute(), 2);
    return line.append("\r\n");
}

namespace {

// Where whole records end when the file ends with a torn record; -1 when it does not.
qint64 TornRecordStart(FileStore::Reader& file)
{
    const qint64 torn = file.size() % TimeRecord::Size;
    char tail[TimeRecord::Size];
    if (torn == 0 || !file.readAt(file.size() - torn, tail, torn))
        return -1;
    return IsTornRecord(QByteArrayView(tail, torn)) ? file.size() - torn : -1;
}

} // namespace

bool IsTornRecord(QByteArrayView tail)
{
    // Each byte of the part that was written, against the shape of a whole line.
    using PunchLine::Shape;
    static_assert(PunchLine::Action.offset == 0);
    if (tail.size() >= TimeRecord::Size)
        return false;
    const QByteArrayView action =
        tail.first(qMin<qsizetype>(PunchLine::Action.length, tail.size()));
    if (!QByteArrayView(PunchLine::In).startsWith(action) &&
        !QByteArrayView(PunchLine::Out).startsWith(action))
        return false;
    for (qsizetype i = action.size(); i < tail.size(); ++i) {
        const char c = tail[i];
        const bool fits = Shape[i] == '9' ? (c >= '0' && c <= '9') : c == Shape[i];
        if (!fits)
            return false;
    }
    return true;
}

Result<TimeRecord> RecordPunch(const QString& name, bool isIn)
{
    // One clock reading for date and time, so a punch at midnight keeps its date.
    const QByteArray line = FormatPunchLine(isIn, Environment::now());
    // A punch that would take the file past what the reports read is refused, not made unpayable.
    const QString path = TimeFilePath(name);
    const FileStore::Entry entry = FileStore::examine(path);
    const qint64 whole = entry.size - entry.size % TimeRecord::Size;
    if (entry.kind == FileStore::Entry::Kind::Regular && whole + line.size() > MaxTimeFileSize)
        return Failure(
            QStringLiteral("The punch was not recorded: the time file \"%1\" holds %2 bytes, "
                           "and one more punch would take it past the %3 that a time file can "
                           "hold.")
                .arg(FileStore::displayPath(path))
                .arg(entry.size)
                .arg(MaxTimeFileSize));
    // A punch that a crash cut short was never reported as recorded: it gives way to this one.
    const Result<> written = FileStore::appendToFile(path, line, {TimeRecord::Size, IsTornRecord});
    if (written.failed())
        return written.error();
    return TimeRecord::fromBytes(line);
}

IoResult RecordPunch(const QString& name, bool isIn, TimeRecord* recorded)
{
    const Result<TimeRecord> punched = RecordPunch(name, isIn);
    if (punched.ok() && recorded)
        *recorded = *punched;
    return punched.failure();
}

namespace {

Result<std::optional<TimeRecord>> readLastRecord(const QString& name, bool* wholeRecords)
{
    // Only the last record is read, whatever the size of the file.
    FileStore::Reader file;
    const Result<> opened = file.open(TimeFilePath(name), true);
    if (wholeRecords)
        *wholeRecords = opened.failed() || HoldsWholeRecords(file);
    if (opened.failed())
        return opened.error();
    const qint64 records = file.size() / TimeRecord::Size;
    if (records == 0)
        return std::optional<TimeRecord>();
    char last[TimeRecord::Size];
    if (const Result<> read = file.readAt((records - 1) * TimeRecord::Size, last, TimeRecord::Size);
        read.failed())
        return read.error();
    return std::optional<TimeRecord>(TimeRecord::fromBytes(QByteArrayView(last, TimeRecord::Size)));
}

} // namespace

IoResult ReadLastRecord(const QString& name, std::optional<TimeRecord>* record, bool* wholeRecords)
{
    const Result<std::optional<TimeRecord>> read = readLastRecord(name, wholeRecords);
    *record = read.valueOr(std::nullopt);
    return read.failure();
}

Result<std::optional<TimeRecord>> ReadLastPunch(const QString& name)
{
    return readLastRecord(name, nullptr);
}

Result<bool> ReadLastAction(const QString& name, const QString& timeFormat, QString* lastActionText)
{
    const Result<std::optional<TimeRecord>> read = ReadLastPunch(name);
    const std::optional<TimeRecord> last = read.valueOr(std::nullopt);
    *lastActionText =
        last ? FormatLastActionText(*last, timeFormat) : QString(LastActionTextLength, u' ');
    if (read.failed())
        return read.error();
    return last && last->isIn();
}

bool TimeFileIsValid(const QString& name)
{
    // Whatever is not a plain file is refused, naming the file, when it is opened.
    const FileStore::Entry entry = FileStore::examine(TimeFilePath(name));
    if (entry.kind != FileStore::Entry::Kind::Regular || entry.size % TimeRecord::Size == 0)
        return true;
    FileStore::Reader file;
    return file.open(TimeFilePath(name)) && TornRecordStart(file) >= 0;
}

bool HoldsWholeRecords(FileStore::Reader& file)
{
    return file.size() % TimeRecord::Size == 0 || TornRecordStart(file) >= 0;
}

QString TimeFileLengthMessage(const QString& path)
{
    return QStringLiteral("The time file \"%1\" is invalid: its length is not a whole number of "
                          "punches.")
        .arg(FileStore::displayPath(path));
}

QDate ParseFileDate(const QString& text)
{
    const auto number = [&text](PunchLine::Field f) {
        return text.mid(f.offset, f.length).trimmed().toInt();
    };
    return QDate(number(PunchLine::YearOfDate), number(PunchLine::MonthOfDate),
                 number(PunchLine::DayOfDate));
}

QString FormatTimeOfDay(const QTime& time, const QString& timeFormat)
{
    const QLocale c = QLocale::c();
    if (timeFormat.trimmed() == QLatin1String("hh:mm"))
        return c.toString(time, QStringLiteral("HH:mm"));
    return c.toString(time, QStringLiteral("hh:mm AP"));
}

QString FormatLastActionText(const TimeRecord& record, const QString& timeFormat)
{
    const auto number = [&record](PunchLine::Field f) {
        return record.PunchTime.mid(f.offset, f.length).toInt();
    };
    const QTime time(number(PunchLine::HourOfTime), number(PunchLine::MinuteOfTime));
    const QDate date = ParseFileDate(record.PunchDate);
    const QString text =
        record.Action + QStringLiteral(" at  ") + FormatTimeOfDay(time, timeFormat) +
        QStringLiteral("  ") +
        Environment::regionalLocale().toString(date, QStringLiteral("dddd, MMMM dd"));
    return text.leftJustified(LastActionTextLength, u' ', true);
}

QString TimeFileTooLargeMessage(const QString& path, qint64 size)
{
    return QStringLiteral("The time file \"%1\" holds %2 bytes, more than the %3 that a time file "
                          "can hold. It is damaged and was not read.")
        .arg(FileStore::displayPath(path))
        .arg(size)
        .arg(MaxTimeFileSize);
}

QString InvalidTimeFileMessage()
{
    return QStringLiteral(
        "Warning, the action was not completed. The time file of this employee seems to be "
        "invalid. It is possible that someone have modified this file without preserving the "
        "original structure. Horodex's technical support representative might be able to repair "
        "this file.");
}
