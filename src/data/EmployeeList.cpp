#include "data/EmployeeList.h"

#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/ShiftCharacters.h"

#include <QDir>
#include <QLocale>
#include <QSet>
#include <QUtf8StringView>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int FieldCount = 7;

// The position of c in line from position from on, or -1.
qsizetype find(QByteArrayView line, char c, qsizetype from)
{
    const void* at = std::memchr(line.data() + from, c, size_t(line.size() - from));
    return at ? static_cast<const char*>(at) - line.data() : -1;
}

// Splits one line into quoted fields. The program never writes a quote inside a field, so a
// field ends at the first quote after its opening one, and a comma between quotes belongs to it.
// Fails, saying why, when the line is not seven such fields.
Result<> splitLine(QByteArrayView line, QVarLengthArray<QByteArrayView, 8>* fields)
{
    fields->clear();
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        if (i < n && line[i] == '"') {
            const qsizetype close = find(line, '"', i + 1);
            if (close < 0)
                return Failure(QStringLiteral("a quote is not closed"));
            fields->append(line.sliced(i + 1, close - i - 1));
            i = close + 1;
        } else {
            // Tolerate an unquoted field, as a hand-edited file may hold one.
            qsizetype end = find(line, ',', i);
            if (end < 0)
                end = n;
            fields->append(line.sliced(i, end - i).trimmed());
            i = end;
        }
        if (i == n)
            break;
        if (line[i] != ',')
            return Failure(QStringLiteral("text follows a closing quote"));
        ++i;
    }
    if (fields->size() != FieldCount)
        return Failure(
            QStringLiteral("it holds %1 fields instead of %2").arg(fields->size()).arg(FieldCount));
    for (QByteArrayView f : *fields) {
        if (f.contains('\0'))
            return Failure(QStringLiteral("it holds a NUL byte"));
    }
    return Result<>();
}

// Calls take(lineNumber, line) for each line, counted from 1. A line ends with CR LF, LF or a lone
// CR; a byte order mark before the first line is no part of it.
template <typename Take> void forEachLine(const QByteArray& bytes, Take take)
{
    qsizetype start = 0;
    int lineNumber = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        QByteArrayView line(bytes.constData() + start, end - start);
        qsizetype next = end;
        if (next < bytes.size() && bytes[next] == '\r')
            ++next;
        if (next < bytes.size() && bytes[next] == '\n')
            ++next;
        start = next;
        ++lineNumber;
        if (lineNumber == 1 && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        take(lineNumber, line);
    }
}

// "a; b; c and 4 more": the first few items of a long list.
QString shortList(const QStringList& items, const QString& separator)
{
    constexpr int Shown = 10;
    QStringList shown = items.mid(0, Shown);
    if (items.size() > Shown)
        shown.append(QStringLiteral("and %1 more")
                         .arg(QLocale(QLocale::English).toString(items.size() - Shown)));
    return shown.join(separator);
}

// What QChar says of each Latin-1 character, looked up by byte, so that a name is checked and
// keyed without making a QString of it first.
struct Latin1Table
{
    std::array<bool, 256> space{};   // QChar::isSpace, as QString::trimmed removes it
    std::array<bool, 256> refused{}; // a control character or one that a file name cannot hold
    // QString::toUpper of the character, in Latin-1 ("SS" for the sharp s); a character whose
    // upper case is no Latin-1 character stands for itself, as no other one becomes it.
    std::array<std::array<char, 2>, 256> upper{};
    std::array<qint8, 256> upperSize{};
};

const Latin1Table& latin1Table()
{
    static const Latin1Table table = [] {
        Latin1Table t;
        const QStringView forbidden(ForbiddenNameCharacters);
        for (int c = 0; c < 256; ++c) {
            const QChar ch = QChar::fromLatin1(char(c));
            t.space[c] = ch.isSpace();
            t.refused[c] = ch.category() == QChar::Other_Control || forbidden.contains(ch);
            const QString upper = QString(ch).toUpper();
            const bool latin1 =
                upper.size() <= 2 &&
                std::all_of(upper.begin(), upper.end(), [](QChar u) { return u.unicode() < 256; });
            if (!latin1) {
                t.upper[c][0] = char(c);
                t.upperSize[c] = 1;
                continue;
            }
            for (qsizetype i = 0; i < upper.size(); ++i)
                t.upper[c][i] = char(upper[i].unicode());
            t.upperSize[c] = qint8(upper.size());
        }
        return t;
    }();
    return table;
}

// The name as QString::trimmed would leave it.
QByteArrayView trimmedName(QByteArrayView name, const Latin1Table& t)
{
    while (!name.isEmpty() && t.space[uchar(name.front())])
        name = name.sliced(1);
    while (!name.isEmpty() && t.space[uchar(name.back())])
        name.chop(1);
    return name;
}

// True when NameIsUsable accepts the name, decided on its bytes.
bool nameSurelyUsable(QByteArrayView name, QByteArrayView trimmed, const Latin1Table& t)
{
    if (trimmed.isEmpty() || trimmed == "." || trimmed == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [&t](char c) { return t.refused[uchar(c)]; });
}

// The key under which a time file is found: the trimmed name in upper case, so that two names
// have one key exactly when their QString::trimmed().toUpper() are equal.
QByteArray nameKey(QByteArrayView trimmed, const Latin1Table& t)
{
    QByteArray key(trimmed.size() * 2, Qt::Uninitialized);
    char* out = key.data();
    for (const char c : trimmed) {
        const auto& upper = t.upper[uchar(c)];
        *out++ = upper[0];
        if (t.upperSize[uchar(c)] == 2)
            *out++ = upper[1];
    }
    key.truncate(out - key.data());
    return key;
}

enum Conversion { AllFields, NameOnly };

// Parses the list, converting every field of a record or only its name (the main list needs no
// more); the checks, problems and counts are the same for both.
EmployeeList parseList(const QByteArray& bytes, Conversion conversion)
{
    const Latin1Table& table = latin1Table();
    EmployeeList list;
    // Room for an ordinary list at once (a record takes some fifty bytes); a longer one grows as
    // it is read.
    const qsizetype expected = std::min<qsizetype>(bytes.size() / 32 + 1, 4096);
    list.records.reserve(expected);
    QSet<QByteArray> seen; // names as the time files are found: trimmed, letter case ignored
    seen.reserve(expected);
    static const QString usualReserved = EmployeeRecord().Reserved;
    forEachLine(bytes, [&](int lineNumber, QByteArrayView line) {
        if (line.trimmed().isEmpty())
            return;
        QVarLengthArray<QByteArrayView, 8> fields;
        if (const Result<> split = splitLine(line, &fields); split.failed()) {
            list.problems.append(
                QStringLiteral("line %1: %2").arg(lineNumber).arg(split.message()));
            return;
        }
        const QByteArrayView name = fields[0];
        const QByteArrayView trimmed = trimmedName(name, table);
        // The list's own Delete drops such records, so a list may hold them: they are no one.
        if (trimmed.isEmpty()) {
            ++list.blankRecords;
            return;
        }
        // A name that is not a plain file name would lead out of the data folder; a second
        // record for the same time file would be paid twice.
        Result<> usable = nameSurelyUsable(name, trimmed, table)
                              ? Result<>()
                              : NameIsUsable(QString::fromLatin1(name));
        QByteArray key = nameKey(trimmed, table);
        if (usable && seen.contains(key))
            usable = Failure(QStringLiteral("\"%1\" is listed twice")
                                 .arg(FileStore::displayText(QString::fromLatin1(name))));
        if (!usable) {
            list.problems.append(
                QStringLiteral("line %1: %2").arg(lineNumber).arg(usable.message()));
            return;
        }
        seen.insert(std::move(key));
        EmployeeRecord& r = list.records.emplace_back();
        r.Name = QString::fromLatin1(name);
        if (conversion == NameOnly)
            return;
        r.Pin = QString::fromLatin1(fields[1]);
        r.SSN = QString::fromLatin1(fields[2]);
        r.RegularRate = QString::fromLatin1(fields[3]);
        r.OvertimeRate = QString::fromLatin1(fields[4]);
        r.Shift = QString::fromLatin1(fields[5]);
        // Nearly every list holds the default here: it is shared rather than converted again.
        r.Reserved = fields[6] == QByteArrayView("111111111") ? usualReserved
                                                              : QString::fromLatin1(fields[6]);
    });
    return list;
}

bool sameNameIgnoringCase(const QString& stored, const QString& given)
{
    return stored.trimmed().toUpper() == given.toUpper();
}

QString nativeListPath()
{
    return FileStore::displayPath(EmployeeListPath());
}

Result<EmployeeList> readList(Conversion conversion)
{
    const Result<QByteArray> bytes = FileStore::readFile(EmployeeListPath(), MaxEmployeeListSize);
    if (bytes.failed())
        return bytes.error();
    return parseList(*bytes, conversion);
}

// Reads the list for a rewrite: refuses when a line could not be read, since rewriting would
// drop it.
Result<EmployeeList> readForRewrite()
{
    Result<EmployeeList> list = ReadEmployeeList();
    if (list.ok() && !list->isClean())
        return Failure(EmployeeListProblemsMessage(*list) +
                       QStringLiteral(" Nothing was changed."));
    return list;
}

// The records other than those with exactly this name.
QList<EmployeeRecord> recordsWithout(const EmployeeList& list, const QString& name)
{
    QList<EmployeeRecord> kept;
    for (const EmployeeRecord& r : list.records) {
        if (r.Name != name)
            kept.append(r);
    }
    return kept;
}

Result<> writeList(const QList<EmployeeRecord>& records)
{
    QByteArray bytes;
    for (const EmployeeRecord& r : records)
        bytes += SerializeEmployeeRecord(r);
    return FileStore::replaceFile(EmployeeListPath(), bytes);
}

Result<> refuseUnstorable(const EmployeeRecord& r)
{
    for (const QString& f : {r.Name, r.Pin, r.SSN, r.RegularRate, r.OvertimeRate, r.Shift}) {
        if (!IsLatin1(f))
            return Failure(
                QStringLiteral("\"%1\" holds a character that the employee file \"%2\" cannot "
                               "store. Nothing was saved.")
                    .arg(f, nativeListPath()));
    }
    return Result<>();
}

} // namespace

QString EmployeeListPath()
{
    return Environment::dataFilePath(QStringLiteral("names.nms"));
}

Result<> NameIsUsable(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return Failure(QStringLiteral("it has no name"));
    if (trimmed == u'.' || trimmed == QLatin1String(".."))
        return Failure(QStringLiteral("the name \"%1\" cannot be a file name").arg(trimmed));
    const QStringView forbidden(ForbiddenNameCharacters);
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || forbidden.contains(c))
            return Failure(QStringLiteral("the name \"%1\" holds a character that a "
                                          "file name cannot hold")
                               .arg(FileStore::displayText(name)));
    }
    return Result<>();
}

EmployeeList ParseEmployeeList(const QByteArray& bytes)
{
    return parseList(bytes, AllFields);
}

QByteArray SerializeEmployeeRecord(const EmployeeRecord& r)
{
    QByteArray line;
    const QString fields[FieldCount] = {r.Name,         r.Pin,   r.SSN,     r.RegularRate,
                                        r.OvertimeRate, r.Shift, r.Reserved};
    for (int i = 0; i < FieldCount; ++i) {
        if (i > 0)
            line += ',';
        line += '"';
        line += fields[i].toLatin1();
        line += '"';
    }
    line += "\r\n";
    return line;
}

Result<EmployeeList> ReadEmployeeList()
{
    return readList(AllFields);
}

IoResult ReadEmployeeList(EmployeeList* list)
{
    Result<EmployeeList> read = ReadEmployeeList();
    *list = read.valueOr(EmployeeList{});
    return read.failure();
}

QString EmployeeListProblemsMessage(const EmployeeList& list)
{
    return QStringLiteral("The employee file \"%1\" holds lines that cannot be read (%2).")
        .arg(nativeListPath(), shortList(list.problems, QStringLiteral("; ")));
}

QList<int> Utf8Lines(const QByteArray& bytes)
{
    // Latin-1 text is valid UTF-8 only when its accented letters happen to pair up as UTF-8's
    // lead and follow bytes, which names almost never do.
    QList<int> lines;
    if (!QUtf8StringView(bytes).isValidUtf8())
        return lines;
    forEachLine(bytes, [&lines](int lineNumber, QByteArrayView line) {
        if (std::any_of(line.begin(), line.end(), [](char c) { return uchar(c) >= 0x80; }))
            lines.append(lineNumber);
    });
    return lines;
}

QString Utf8LinesText(const QList<int>& lines)
{
    QStringList numbers;
    for (int line : lines)
        numbers.append(QString::number(line));
    return shortList(numbers, QStringLiteral(", "));
}

QList<int> EmployeeListUtf8Lines()
{
    const Result<QByteArray> bytes =
        FileStore::readFile(EmployeeListPath(), MaxEmployeeListSize, true);
    if (bytes.failed())
        return {};
    return Utf8Lines(*bytes);
}

Result<> EnsureEmployeeListFile()
{
    return FileStore::createIfMissing(EmployeeListPath());
}

Result<bool> EmployeeExists(const QString& name, const QString& exceptName)
{
    // No list yet (the first employee) holds no name; a list that cannot be read is no answer.
    const Result<EmployeeList> read = ReadEmployeeList();
    if (read.failed() && FileStore::exists(EmployeeListPath()))
        return read.error();
    const EmployeeList list = read.valueOr(EmployeeList{});
    bool found = false;
    for (const EmployeeRecord& r : list.records) {
        if (exceptName.isNull() || r.Name != exceptName)
            found = found || sameNameIgnoringCase(r.Name, name);
    }
    return found;
}

Result<EmployeeRecord> FindEmployee(const QString& name)
{
    const Result<EmployeeList> read = ReadEmployeeList();
    if (read.failed())
        return read.error();
    for (const EmployeeRecord& r : read->records) {
        if (r.Name == name)
            return r;
    }
    return Failure(QStringLiteral("Employee not found"));
}

Result<bool> DeleteEmployee(const QString& name)
{
    const Result<EmployeeList> list = readForRewrite();
    if (list.failed())
        return list.error();
    const QList<EmployeeRecord> kept = recordsWithout(*list, name);
    if (kept.size() == list->records.size() && list->blankRecords == 0)
        return false;
    if (const Result<> written = writeList(kept); written.failed())
        return written.error();
    return true;
}

IoResult DeleteEmployee(const QString& name, bool* removed)
{
    const Result<bool> deleted = DeleteEmployee(name);
    if (removed)
        *removed = deleted.valueOr(false);
    return deleted.failure();
}

Result<> AppendEmployee(const EmployeeRecord& record)
{
    if (const Result<> storable = refuseUnstorable(record); storable.failed())
        return storable;
    return FileStore::appendToFile(EmployeeListPath(), SerializeEmployeeRecord(record));
}

Result<> ReplaceEmployee(const QString& oldName, const EmployeeRecord& record)
{
    if (const Result<> storable = refuseUnstorable(record); storable.failed())
        return storable;
    const Result<EmployeeList> list = readForRewrite();
    if (list.failed())
        return list.error();
    QList<EmployeeRecord> records = recordsWithout(*list, oldName);
    records.append(record);
    return writeList(records);
}

Result<QStringList> EmployeeNames()
{
    const Result<EmployeeList> list = readList(NameOnly);
    if (list.failed())
        return {QStringList(), Warning(list.message())};
    QStringList names;
    for (const EmployeeRecord& r : list->records)
        names.append(r.Name);
    if (!list->isClean())
        return {names, Warning(EmployeeListProblemsMessage(*list) +
                               QStringLiteral(" The other employees are listed."))};
    return names;
}

Result<bool> CheckPin(const QString& name, const QString& typed)
{
    const Result<EmployeeList> list = ReadEmployeeList();
    if (list.failed())
        return list.error();
    for (const EmployeeRecord& r : list->records) {
        if (r.Name != name || typed.isEmpty())
            continue;
        const Result<QString> stored = UnscramblePin(r.Pin);
        if (stored.failed())
            return {false, Warning(stored.message())};
        if (*stored == typed)
            return true;
    }
    return false;
}

QString ScramblePin(const QString& pin)
{
    return ShiftCharacters(int(pin.size()), pin, PinShift).valueOr(QString());
}

Result<QString> UnscramblePin(const QString& storedPin)
{
    return ShiftCharacters(int(storedPin.size()), storedPin, -PinShift);
}
