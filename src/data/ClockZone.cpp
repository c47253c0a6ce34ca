#include "data/ClockZone.h"

#include "data/Environment.h"
#include "data/FileStore.h"

namespace {

// A zone name is short; a larger file is not one.
constexpr qint64 MaxClockZoneFileSize = 256;

} // namespace

QString ClockZonePath()
{
    return Environment::dataFilePath(QStringLiteral("timezone.txt"));
}

Result<> EnsureClockZoneFile()
{
    if (FileStore::examine(ClockZonePath()).kind != FileStore::Entry::Kind::Missing)
        return {};
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (id.isEmpty() || !QTimeZone::isTimeZoneIdAvailable(id))
        return {};
    return FileStore::replaceFile(ClockZonePath(), id + '\n');
}

Result<QTimeZone> ReadClockZone()
{
    if (!FileStore::exists(ClockZonePath()))
        return QTimeZone::systemTimeZone();
    const Result<QByteArray> bytes = FileStore::readFile(ClockZonePath(), MaxClockZoneFileSize);
    if (bytes.failed())
        return bytes.error();
    const QByteArray id = bytes->trimmed();
    if (id.isEmpty() || !QTimeZone::isTimeZoneIdAvailable(id))
        return Failure(
            QStringLiteral("The time zone file \"%1\" names no known time zone (it should hold "
                           "one name, such as America/New_York).")
                .arg(FileStore::displayPath(ClockZonePath())));
    return QTimeZone(id);
}

QTimeZone ClockZone()
{
    return ReadClockZone().valueOr(QTimeZone::systemTimeZone());
}
