#include "data/BadgeFile.h"

#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStamp.h"

#include <QCryptographicHash>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>

#include <array>
#include <optional>

namespace {

constexpr QByteArrayView VersionPrefix = "horodex badges ";
constexpr int FieldCount = 4;
constexpr int ShownProblems = 10;
// No I and O (read as 1 and 0), and no A, M, Q, W, Y, Z, which French and German layouts move.
constexpr QByteArrayView CodeAlphabet = "BCDEFGHJKLNPRSTUVX";
constexpr int NewCodeLength = 16;

QString filePathText()
{
    return FileStore::displayPath(BadgeFilePath());
}

bool isHash(QByteArrayView text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// An ISO date, or null for an empty field; *ok is false for anything else.
QDate dateField(QByteArrayView field, bool* ok)
{
    if (field.isEmpty())
        return {};
    const QDate date = QDate::fromString(QString::fromLatin1(field), Qt::ISODate);
    *ok = *ok && date.isValid() && field.size() == 10;
    return date;
}

// Reads a badge line; fails, saying why, when it cannot be read.
IoResult readLine(QByteArrayView line, Badge* badge)
{
    const QList<QByteArray> fields = line.toByteArray().split('\t');
    if (fields.size() != FieldCount)
        return IoResult::failure(
            QStringLiteral("%1 fields where a badge has %2").arg(fields.size()).arg(FieldCount));
    badge->employee = QString::fromLatin1(fields[0]);
    if (const IoResult usable = NameIsUsable(badge->employee); !usable)
        return usable;
    if (!isHash(fields[1]))
        return IoResult::failure(QStringLiteral("the code's hash is not 64 hex digits"));
    badge->hash = fields[1];
    bool ok = true;
    badge->issued = dateField(fields[2], &ok);
    badge->revoked = dateField(fields[3], &ok);
    if (!ok || badge->issued.isNull())
        return IoResult::failure(QStringLiteral("a date is not written as YYYY-MM-DD"));
    return IoResult::success();
}

QString problemsText(const QStringList& problems)
{
    QString text = problems.mid(0, ShownProblems).join(QStringLiteral("; "));
    if (problems.size() > ShownProblems)
        text += QStringLiteral("; and %1 more").arg(problems.size() - ShownProblems);
    return text;
}

// The version of the format named by the first line, 0 when it is no version line.
int versionOf(QByteArrayView firstLine)
{
    if (!firstLine.startsWith(VersionPrefix))
        return 0;
    bool ok = false;
    const int version = firstLine.sliced(VersionPrefix.size()).toInt(&ok);
    return ok && version > 0 ? version : 0;
}

// The working badges of the file as last read, by the hash of their code: a scan looks its code
// up here, and the file is read again once its stamp has moved (or it is no regular file).
struct HolderTable
{
    QString path;
    FileStore::Stamp stamp;
    QHash<QByteArray, QString> holders;
};

std::optional<HolderTable>& lastHolderTable()
{
    static std::optional<HolderTable> table;
    return table;
}

QMutex& holderTableLock()
{
    static QMutex lock;
    return lock;
}

// Reads the whole file for a change; a damaged or newer file is not changed.
IoResult readForChange(BadgeFile* file)
{
    if (const IoResult read = ReadBadgeFile(file); !read)
        return IoResult::failure(read.error + QStringLiteral(" Nothing was changed in it."));
    return IoResult::success();
}

} // namespace

QString BadgeFilePath()
{
    return Environment::dataFilePath(QStringLiteral("badges.txt"));
}

Result<QString> NormalizeBadgeCode(const QString& typed)
{
    const QString code = typed.trimmed().toUpper();
    for (const QChar c : code) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return IoResult::failure(QStringLiteral("A badge code holds only letters, digits and "
                                                    "the signs of a keyboard; this one holds "
                                                    "other characters."));
    }
    if (code.size() < MinBadgeCodeLength || code.size() > MaxBadgeCodeLength)
        return IoResult::failure(
            QStringLiteral("A badge code has %1 to %2 characters; this one has %3.")
                .arg(MinBadgeCodeLength)
                .arg(MaxBadgeCodeLength)
                .arg(code.size()));
    return code;
}

QByteArray BadgeCodeHash(const QString& normalizedCode)
{
    return QCryptographicHash::hash(normalizedCode.toLatin1(), QCryptographicHash::Sha256).toHex();
}

QString NewBadgeCode()
{
    std::array<quint32, NewCodeLength> draws{};
    QRandomGenerator::system()->fillRange(draws.data(), draws.size());
    QString code;
    for (const quint32 draw : draws) {
        // Rejects the top of the range that does not divide evenly, so that no letter is likelier.
        quint32 value = draw;
        const quint32 limit = quint32(0x100000000ull - 0x100000000ull % CodeAlphabet.size());
        while (value >= limit)
            value = QRandomGenerator::system()->generate();
        code += QLatin1Char(CodeAlphabet[value % CodeAlphabet.size()]);
    }
    return code;
}

BadgeFile ParseBadgeFile(const QByteArray& bytes, bool* newerVersion)
{
    BadgeFile file;
    if (newerVersion)
        *newerVersion = false;
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (lines.isEmpty())
        return file;
    const int version = versionOf(lines.first());
    if (version > BadgeFileVersion) {
        if (newerVersion)
            *newerVersion = true;
        return file;
    }
    if (version == 0)
        file.problems.append(QStringLiteral("line 1: no version line"));
    for (qsizetype i = version == 0 ? 0 : 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        Badge badge;
        if (const IoResult read = readLine(lines[i], &badge); !read)
            file.problems.append(QStringLiteral("line %1: %2").arg(i + 1).arg(read.error));
        else
            file.badges.append(badge);
    }
    return file;
}

QByteArray SerializeBadgeFile(const QList<Badge>& badges)
{
    QByteArray bytes = VersionPrefix.toByteArray() + QByteArray::number(BadgeFileVersion) + '\n';
    for (const Badge& b : badges) {
        bytes += b.employee.toLatin1() + '\t' + b.hash + '\t' +
                 b.issued.toString(Qt::ISODate).toLatin1() + '\t' +
                 (b.active() ? QByteArray() : b.revoked.toString(Qt::ISODate).toLatin1()) + '\n';
    }
    return bytes;
}

IoResult ReadBadgeFile(BadgeFile* file)
{
    *file = BadgeFile{};
    QByteArray bytes;
    if (const IoResult read = FileStore::readFile(BadgeFilePath(), &bytes, MaxBadgeFileSize, true);
        !read)
        return read;
    bool newer = false;
    *file = ParseBadgeFile(bytes, &newer);
    if (newer)
        return IoResult::failure(
            QStringLiteral("The badge file \"%1\" was written by a newer version of Horodex "
                           "(\"%2\"); this version reads version %3 and does not use it.")
                .arg(filePathText(),
                     FileStore::displayText(QString::fromLatin1(bytes.left(bytes.indexOf('\n')))))
                .arg(BadgeFileVersion));
    if (!file->isClean())
        return IoResult::failure(
            QStringLiteral("The badge file \"%1\" holds lines that cannot be read (%2).")
                .arg(filePathText(), problemsText(file->problems)));
    return IoResult::success();
}

Result<QString> BadgeHolder(const QString& normalizedCode)
{
    const QString path = BadgeFilePath();
    const QMutexLocker locker(&holderTableLock());
    std::optional<HolderTable>& table = lastHolderTable();
    // Taken before the read: a file replaced meanwhile has moved on from it and is read again.
    const std::optional<FileStore::Stamp> stamp = FileStore::stampOf(path);
    if (!stamp || !table || table->path != path || table->stamp != *stamp) {
        table.reset();
        BadgeFile file;
        const IoResult read = ReadBadgeFile(&file);
        // A damaged line is left out, so the lines that could be read still decide.
        if (!read && file.badges.isEmpty())
            return read;
        HolderTable fresh{path, stamp.value_or(FileStore::Stamp{}), {}};
        for (const Badge& b : std::as_const(file.badges)) {
            if (!b.active())
                continue;
            // A code that two employees hold punches neither: nobody can tell whose card it is.
            const auto held = fresh.holders.constFind(b.hash);
            fresh.holders.insert(b.hash, held == fresh.holders.cend() || *held == b.employee
                                             ? b.employee
                                             : QString());
        }
        if (!stamp)
            return fresh.holders.value(BadgeCodeHash(normalizedCode));
        table = std::move(fresh);
    }
    return table->holders.value(BadgeCodeHash(normalizedCode));
}

QList<QStringList> SharedBadgeHolders(const BadgeFile& file)
{
    QHash<QByteArray, QStringList> holders;
    QList<QByteArray> order;
    for (const Badge& b : file.badges) {
        if (!b.active())
            continue;
        QStringList& names = holders[b.hash];
        if (names.isEmpty())
            order.append(b.hash);
        if (!names.contains(b.employee))
            names.append(b.employee);
    }
    QList<QStringList> shared;
    for (const QByteArray& hash : std::as_const(order)) {
        if (holders.value(hash).size() > 1)
            shared.append(holders.value(hash));
    }
    return shared;
}

IoResult IssueBadge(const QString& employee, const QString& normalizedCode, const QDate& today)
{
    BadgeFile file;
    if (const IoResult read = readForChange(&file); !read)
        return read;
    const QByteArray hash = BadgeCodeHash(normalizedCode);
    for (const Badge& b : std::as_const(file.badges)) {
        if (b.active() && b.hash == hash && b.employee != employee)
            return IoResult::failure(
                QStringLiteral("This badge already belongs to %1. Revoke it there first.")
                    .arg(FileStore::displayText(b.employee)));
        if (b.active() && b.hash == hash)
            return IoResult::success();
    }
    for (Badge& b : file.badges) {
        if (b.active() && b.employee == employee)
            b.revoked = today;
    }
    file.badges.append({employee, hash, today, {}});
    return FileStore::replaceFile(BadgeFilePath(), SerializeBadgeFile(file.badges));
}

IoResult RevokeBadges(const QString& employee, const QDate& today, int* revoked)
{
    if (revoked)
        *revoked = 0;
    BadgeFile file;
    if (!FileStore::exists(BadgeFilePath()))
        return IoResult::success();
    if (const IoResult read = readForChange(&file); !read)
        return read;
    int count = 0;
    for (Badge& b : file.badges) {
        if (b.active() && b.employee == employee) {
            b.revoked = today;
            ++count;
        }
    }
    if (revoked)
        *revoked = count;
    if (count == 0)
        return IoResult::success();
    return FileStore::replaceFile(BadgeFilePath(), SerializeBadgeFile(file.badges));
}

const Badge* CurrentBadgeOf(const BadgeFile& file, const QString& employee)
{
    const Badge* last = nullptr;
    for (const Badge& b : file.badges) {
        if (b.employee != employee)
            continue;
        if (b.active())
            return &b;
        last = &b;
    }
    return last;
}
