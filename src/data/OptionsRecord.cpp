#include "data/OptionsRecord.h"

#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/ShiftCharacters.h"

#include <QDir>

namespace {

template <typename F> void forEachField(F&& f, OptionsRecord& r)
{
    for (QString* field :
         {&r.AdminPassword, &r.OvertimeThreshold, &r.AskOnStart, &r.Company,
          &r.AskForPin,     &r.SecurityEnabled,   &r.AskOnExit,  &r.DailyOvertime,
          &r.TimeRounding,  &r.Reserved1,         &r.TimeFormat, &r.PunchGapMinutes,
          &r.Reserved3,     &r.Reserved4,         &r.Reserved5,  &r.Reserved6,
          &r.Reserved7,     &r.Reserved8,         &r.Reserved9,  &r.Reserved10,
          &r.Reserved11,    &r.Reserved12,        &r.Reserved13, &r.Address})
        f(*field);
}

} // namespace

QString OptionsRecord::fit(const QString& value, int width)
{
    if (value.size() >= width)
        return value.left(width);
    return value + QString(width - value.size(), u' ');
}

QString OptionsRecord::trimmed(const QString& field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && field.at(begin) == u' ')
        ++begin;
    while (end > begin && field.at(end - 1) == u' ')
        --end;
    return field.mid(begin, end - begin);
}

double OptionsRecord::overtimeThresholdHours() const
{
    return LeadingDecimalNumber(OvertimeThreshold);
}

double LeadingDecimalNumber(const QString& field)
{
    const QString text = OptionsRecord::trimmed(field);
    qsizetype n = 0;
    bool seenDot = false;
    while (n < text.size() && (text.at(n).isDigit() || (text.at(n) == u'.' && !seenDot))) {
        seenDot = seenDot || text.at(n) == u'.';
        ++n;
    }
    return text.left(n).toDouble(); // "" and "." read as 0
}

int OptionsRecord::timeRoundingValue() const
{
    return trimmed(TimeRounding).toInt();
}

int OptionsRecord::punchGapMinutes() const
{
    bool ok = false;
    const int minutes = trimmed(PunchGapMinutes).toInt(&ok);
    return ok && minutes >= 0 && minutes <= 24 * 60 ? minutes : DefaultPunchGapMinutes;
}

QByteArray OptionsRecord::toBytes() const
{
    QByteArray bytes;
    bytes.reserve(Size);
    OptionsRecord copy = *this;
    forEachField([&bytes](QString& field) { bytes += field.toLatin1(); }, copy);
    return bytes;
}

OptionsRecord OptionsRecord::fromBytes(const QByteArray& bytes)
{
    OptionsRecord record;
    qsizetype offset = 0;
    forEachField(
        [&](QString& field) {
            const qsizetype width = field.size();
            field = QString::fromLatin1(bytes.mid(offset, width));
            offset += width;
        },
        record);
    return record;
}

OptionsRecord OptionsRecord::firstRunDefaults(const QString& password)
{
    OptionsRecord r; // all zero: reserved fields stay zero bytes
    r.setAdminPassword(ScramblePassword(password));
    r.setOvertimeThreshold(QStringLiteral("40"));
    r.setAskOnStart(false);
    r.setCompany(QStringLiteral("Your Company Name"));
    r.setAskForPin(false);
    r.setSecurityEnabled(false);
    r.setAskOnExit(false);
    r.setDailyOvertime(false);
    r.setTimeRounding(0);
    r.setTimeFormat(QStringLiteral("hh:nn AM/PM"));
    r.setAddress(QStringLiteral("Street Address\r\nCity, Province (or State)\r\n"
                                "Postal Code (or Zip Code)\r\nTel (000) 000-0000"));
    return r;
}

OptionsRecord& GlobalOptions()
{
    static OptionsRecord record;
    return record;
}

QString OptionsFilePath()
{
    return Environment::dataFilePath(QStringLiteral("options.ini"));
}

bool OptionsFileExists()
{
    return FileStore::exists(OptionsFilePath());
}

Result<OptionsRecord> ReadOptionsFile()
{
    // Read only when it has the one size a settings file has.
    FileStore::Reader file;
    if (const Result<> opened = file.open(OptionsFilePath()); opened.failed())
        return opened.error();
    if (file.size() != OptionsRecord::Size)
        return Failure(
            QStringLiteral("The settings file \"%1\" is damaged: it holds %2 bytes instead of %3. "
                           "It has been left as it is; restore it from a backup or remove it to "
                           "set Horodex up again.")
                .arg(FileStore::displayPath(OptionsFilePath()))
                .arg(file.size())
                .arg(OptionsRecord::Size));
    QByteArray bytes(OptionsRecord::Size, '\0');
    if (const Result<> read = file.readAt(0, bytes.data(), bytes.size()); read.failed())
        return read.error();
    return OptionsRecord::fromBytes(bytes);
}

IoResult ReadOptionsFile(OptionsRecord* record)
{
    const Result<OptionsRecord> read = ReadOptionsFile();
    if (read.ok())
        *record = *read;
    return read.failure();
}

Result<> WriteOptionsFile(const OptionsRecord& record)
{
    for (const QString& text : {record.Company, record.Address, record.AdminPassword}) {
        if (!IsLatin1(text))
            return Failure(
                QStringLiteral("The settings cannot be saved to \"%1\": the text \"%2\" holds a "
                               "character that the settings file cannot store.")
                    .arg(QDir::toNativeSeparators(OptionsFilePath()),
                         OptionsRecord::trimmed(text)));
    }
    return FileStore::replaceFile(OptionsFilePath(), record.toBytes());
}

QString ScramblePassword(const QString& password)
{
    return ShiftCharacters(int(password.size()), password, PasswordShift).valueOr(QString());
}

Result<QString> UnscramblePassword(const OptionsRecord& record)
{
    const QString stored = OptionsRecord::trimmed(record.AdminPassword);
    return ShiftCharacters(int(stored.size()), stored, -PasswordShift);
}

Result<bool> CheckAdminPassword(const OptionsRecord& record, const QString& typed)
{
    if (OptionsRecord::trimmed(record.AdminPassword).isEmpty())
        return false;
    const Result<QString> stored = UnscramblePassword(record);
    if (stored.failed())
        return {false, Warning{stored.message()}};
    return *stored == typed;
}
