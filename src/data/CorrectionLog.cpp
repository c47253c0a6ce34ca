#include "data/CorrectionLog.h"

#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/TimeFile.h"

#include <QCryptographicHash>
#include <QRegularExpression>

namespace {

constexpr int FieldCount = 7;            // six fields and the hash
constexpr qint64 TailLength = 64 * 1024; // more than the longest line the program writes

// Tabs and line ends inside a field would split the line: written as \t, \n, \r, and \\.
QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[++i];
        out += next == u't'   ? QChar(u'\t')
               : next == u'n' ? QChar(u'\n')
               : next == u'r' ? QChar(u'\r')
                              : next;
    }
    return out;
}

QString kindText(Correction::Kind kind)
{
    switch (kind) {
    case Correction::Kind::Added:
        return QStringLiteral("added");
    case Correction::Kind::Changed:
        return QStringLiteral("changed");
    case Correction::Kind::Deleted:
        return QStringLiteral("deleted");
    case Correction::Kind::Declared:
        return QStringLiteral("declared");
    case Correction::Kind::Flagged:
        return QStringLiteral("flagged");
    case Correction::Kind::Approved:
        return QStringLiteral("approved");
    }
    return QString();
}

// A word no version wrote reads as a deletion, as it always did.
Correction::Kind kindOf(const QString& text)
{
    using Kind = Correction::Kind;
    for (const Kind kind :
         {Kind::Added, Kind::Changed, Kind::Declared, Kind::Flagged, Kind::Approved}) {
        if (text == kindText(kind))
            return kind;
    }
    return Kind::Deleted;
}

QStringList fieldsOf(const Correction& c)
{
    const QDateTime when = c.when.toOffsetFromUtc(c.when.offsetFromUtc());
    return {when.toString(Qt::ISODate),
            escaped(c.employee),
            kindText(c.kind),
            escaped(QString::fromLatin1(c.oldLine)),
            escaped(QString::fromLatin1(c.newLine)),
            escaped(c.reason)};
}

QByteArray chainHash(const QByteArray& previous, const QByteArray& fields)
{
    return QCryptographicHash::hash(previous + '\t' + fields, QCryptographicHash::Sha256).toHex();
}

bool isHash(QByteArrayView text)
{
    if (text.size() != 64)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// A line of six fields and the hash; anything else was cut short by a crash, or written by hand.
bool isWhole(const QByteArray& line)
{
    return line.count('\t') == FieldCount - 1 && isHash(line.mid(line.lastIndexOf('\t') + 1));
}

// The hash of the last whole line of the log, or the start of the chain for an empty log.
IoResult lastHash(QByteArray* hash, bool* endsWithLine)
{
    *hash = CorrectionChainStart();
    *endsWithLine = true;
    FileStore::Reader log;
    if (const IoResult opened = log.open(CorrectionLogPath(), true); !opened)
        return opened;
    const qint64 length = qMin(log.size(), TailLength);
    QByteArray tail(qsizetype(length), '\0');
    if (const IoResult read = log.readAt(log.size() - length, tail.data(), length); !read)
        return read;
    *endsWithLine = tail.isEmpty() || tail.endsWith('\n');
    const QList<QByteArray> lines = tail.split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (isWhole(*it)) {
            *hash = it->mid(it->lastIndexOf('\t') + 1);
            break;
        }
    }
    return IoResult::success();
}

QString Capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString EntriesText(qsizetype entries)
{
    return entries == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(entries);
}

// What an incomplete line holds, without guessing who cut it short.
QString TornLineText(int fields)
{
    if (fields > FieldCount)
        return QStringLiteral("%1 fields where a whole line has %2").arg(fields).arg(FieldCount);
    if (fields == FieldCount)
        return QStringLiteral("it does not end with a hash of 64 hex digits");
    return QStringLiteral("%1 of the %2 fields of a whole line, without its hash")
        .arg(fields)
        .arg(FieldCount);
}

} // namespace

QString Correction::kindName(Kind kind)
{
    return kindText(kind);
}

QString CorrectionLogPath()
{
    return Environment::dataFilePath(QStringLiteral("corrections.log"));
}

QByteArray CorrectionChainStart()
{
    return QByteArray(64, '0');
}

QByteArray FormatCorrections(const QList<Correction>& corrections, QByteArray previousHash)
{
    QByteArray lines;
    for (const Correction& c : corrections) {
        const QByteArray fields = fieldsOf(c).join(u'\t').toUtf8();
        previousHash = chainHash(previousHash, fields);
        lines += fields + '\t' + previousHash + '\n';
    }
    return lines;
}

IoResult ReadCorrectionLogEnd(CorrectionLogEnd* end)
{
    return lastHash(&end->hash, &end->endsWithLine);
}

IoResult AppendCorrections(const CorrectionLogEnd& end, const QList<Correction>& corrections)
{
    const QByteArray lines = (end.endsWithLine ? QByteArray() : QByteArray("\n")) +
                             FormatCorrections(corrections, end.hash);
    return FileStore::appendToFile(CorrectionLogPath(), lines);
}

IoResult SaveCorrectedTimeCard(const QString& name, const TimeCard& read,
                               const QList<TimeCardLine>& corrected,
                               const QList<Correction>& corrections)
{
    const std::optional<QByteArray> bytes = SerializeTimeCard(corrected);
    const QString path = TimeFilePath(name);
    if (!bytes)
        return IoResult::failure(
            QStringLiteral("The time file \"%1\" was not saved: a line that cannot be read is "
                           "still there. Correct it or delete it first.")
                .arg(FileStore::displayPath(path)));
    TimeCard now;
    if (const IoResult reread = ReadTimeCard(name, &now); !reread)
        return reread;
    if (now.original != read.original)
        return IoResult::failure(
            QStringLiteral("The time file \"%1\" changed while it was being corrected (a punch "
                           "was recorded meanwhile). Nothing was saved: open it again.")
                .arg(FileStore::displayPath(path)));
    CorrectionLogEnd end;
    if (const IoResult tail = ReadCorrectionLogEnd(&end); !tail)
        return tail;
    if (const IoResult saved = FileStore::replaceFile(path, *bytes); !saved)
        return saved;
    if (const IoResult logged = AppendCorrections(end, corrections); !logged)
        return IoResult::failure(
            QStringLiteral("The time file was corrected, but the record of the correction could "
                           "not be written. %1")
                .arg(logged.error));
    return IoResult::success();
}

QString LocalCorrectionLogName()
{
    return QStringLiteral("the record of corrections \"%1\"")
        .arg(FileStore::displayPath(CorrectionLogPath()));
}

QString CorrectionLogContents::verdict(const QString& record) const
{
    const QString name = Capitalized(record.isEmpty() ? LocalCorrectionLogName() : record);
    if (brokenLine)
        return QStringLiteral("%1 was changed by hand: the chain breaks at line %2.")
            .arg(name)
            .arg(brokenLine);
    if (!tornLines.isEmpty())
        return QStringLiteral("%1 is not intact: line %2 is incomplete (%3); it is not trusted.")
            .arg(name)
            .arg(tornLines.first())
            .arg(TornLineText(tornFields.value(0)));
    if (!found)
        return QStringLiteral("%1 does not exist: it holds no entry.").arg(name);
    if (hashes.isEmpty())
        return QStringLiteral("%1 is empty: it holds no entry.").arg(name);
    return QStringLiteral("%1 is intact: %2, each chained to the one before.")
        .arg(name, EntriesText(hashes.size()));
}

CorrectionLogContents ParseCorrectionLog(const QByteArray& bytes)
{
    CorrectionLogContents contents;
    QByteArray previous = CorrectionChainStart();
    const QList<QByteArray> lines = CorrectionLogLines(bytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i + 1);
        const QByteArray& line = lines[i];
        if (!isWhole(line)) {
            contents.tornLines.append(number);
            contents.tornFields.append(int(line.count('\t') + (line.isEmpty() ? 0 : 1)));
            continue;
        }
        const qsizetype cut = line.lastIndexOf('\t');
        const QByteArray hash = line.mid(cut + 1);
        contents.hashes.append(hash);
        const bool chained = chainHash(previous, line.left(cut)) == hash;
        previous = hash; // the lines after a break are checked against each other
        if (!chained) {
            if (!contents.brokenLine)
                contents.brokenLine = number;
            continue;
        }
        const QStringList fields = QString::fromUtf8(line.left(cut)).split(u'\t');
        Correction c;
        c.when = QDateTime::fromString(fields[0], Qt::ISODate);
        c.employee = unescaped(fields[1]);
        c.kind = kindOf(fields[2]);
        c.oldLine = unescaped(fields[3]).toLatin1();
        c.newLine = unescaped(fields[4]).toLatin1();
        c.reason = unescaped(fields[5]);
        contents.corrections.append(c);
    }
    return contents;
}

IoResult ReadCorrectionLog(CorrectionLogContents* contents)
{
    QByteArray bytes;
    const IoResult read =
        FileStore::readFile(CorrectionLogPath(), &bytes, MaxCorrectionLogSize, true);
    *contents = read ? ParseCorrectionLog(bytes) : CorrectionLogContents{};
    contents->found = FileStore::exists(CorrectionLogPath());
    return read;
}

QList<QByteArray> CorrectionLogLines(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

qsizetype FirstLineNotIn(const QList<QByteArray>& copy, const QList<QByteArray>& record)
{
    for (qsizetype i = 0; i < copy.size(); ++i) {
        if (i >= record.size() || copy[i] != record[i])
            return i + 1;
    }
    return 0;
}

QString CorrectionLogHead::text() const
{
    return QStringLiteral("%1:%2").arg(entries).arg(QString::fromLatin1(hash));
}

std::optional<CorrectionLogHead> CorrectionLogHead::parse(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,9}):([0-9a-fA-F]{%1,64})$").arg(HashDigits));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    return of(match.captured(1).toLongLong(), match.captured(2).toLatin1().toLower());
}

CorrectionLogHead CorrectionLogHead::of(const CorrectionLogContents& contents)
{
    return of(contents.hashes.size(),
              contents.hashes.isEmpty() ? CorrectionChainStart() : contents.hashes.last());
}

CorrectionLogHead CorrectionLogHead::of(qsizetype entries, const QByteArray& lastHash)
{
    return {entries, lastHash.left(HashDigits)};
}

QString CorrectionLogHeadText(const CorrectionLogHead& head)
{
    if (head.entries == 0)
        return QStringLiteral("Head of the record of corrections: %1 (no entry yet).")
            .arg(head.text());
    return QStringLiteral("Head of the record of corrections: %1 (%2, the last with the hash "
                          "%3). Write it down: \"horodex-report corrections --verify --head %1\" "
                          "then shows whether the record still holds them.")
        .arg(head.text(), EntriesText(head.entries), QString::fromLatin1(head.hash));
}

IoResult ReadCorrectionLogHead(CorrectionLogHead* head)
{
    CorrectionLogContents contents;
    const IoResult read = ReadCorrectionLog(&contents);
    *head = CorrectionLogHead::of(contents);
    return read;
}

QString MissingFromHead(const CorrectionLogContents& contents, const CorrectionLogHead& head,
                        const QString& record)
{
    const qsizetype held = contents.hashes.size();
    if (head.entries == 0)
        return QString();
    const QString wanted = QStringLiteral("entry %1 (hash %2), the head written down")
                               .arg(head.entries)
                               .arg(QString::fromLatin1(head.hash));
    if (held < head.entries) {
        const QString found = !contents.found ? QStringLiteral("does not exist")
                              : held == 0     ? QStringLiteral("holds no entry")
                                              : QStringLiteral("holds %1").arg(EntriesText(held));
        const QString missing =
            head.entries - held == 1
                ? QStringLiteral("entry %1 is missing").arg(head.entries)
                : QStringLiteral("entries %1 to %2 are missing").arg(held + 1).arg(head.entries);
        return QStringLiteral("%1 %2, but must hold %3: %4.")
            .arg(Capitalized(record), found, wanted, missing);
    }
    const QByteArray hash = contents.hashes[head.entries - 1];
    if (hash.startsWith(head.hash))
        return QString();
    return QStringLiteral("%1 holds at entry %2 the hash %3, not the hash %4 of the head written "
                          "down: the record was rewritten since, from that entry or before.")
        .arg(Capitalized(record))
        .arg(head.entries)
        .arg(QString::fromLatin1(hash.left(CorrectionLogHead::HashDigits)),
             QString::fromLatin1(head.hash));
}
