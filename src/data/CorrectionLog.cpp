#include "data/CorrectionLog.h"

#include "data/Environment.h"
#include "data/TimeFile.h"

#include <QCryptographicHash>

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
    }
    return QString();
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
    QByteArray previous;
    bool endsWithLine = true;
    if (const IoResult tail = lastHash(&previous, &endsWithLine); !tail)
        return tail;
    if (const IoResult saved = FileStore::replaceFile(path, *bytes); !saved)
        return saved;
    // A line that a crash cut short is ended, so that it stays one line of its own.
    const QByteArray lines =
        (endsWithLine ? QByteArray() : QByteArray("\n")) + FormatCorrections(corrections, previous);
    if (const IoResult logged = FileStore::appendToFile(CorrectionLogPath(), lines); !logged)
        return IoResult::failure(
            QStringLiteral("The time file was corrected, but the record of the correction could "
                           "not be written. %1")
                .arg(logged.error));
    return IoResult::success();
}

QString CorrectionLogContents::verdict() const
{
    if (brokenLine)
        return QStringLiteral("The record of corrections \"%1\" was changed by hand: the chain "
                              "breaks at line %2.")
            .arg(FileStore::displayPath(CorrectionLogPath()))
            .arg(brokenLine);
    if (!tornLines.isEmpty())
        return QStringLiteral("The record of corrections \"%1\" holds an incomplete line (line "
                              "%2), left by a save that was cut short; it is not trusted.")
            .arg(FileStore::displayPath(CorrectionLogPath()))
            .arg(tornLines.first());
    return QStringLiteral("The record of corrections \"%1\" is intact.")
        .arg(FileStore::displayPath(CorrectionLogPath()));
}

CorrectionLogContents ParseCorrectionLog(const QByteArray& bytes)
{
    CorrectionLogContents contents;
    QByteArray previous = CorrectionChainStart();
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i + 1);
        const QByteArray& line = lines[i];
        if (!isWhole(line)) {
            contents.tornLines.append(number);
            continue;
        }
        const qsizetype cut = line.lastIndexOf('\t');
        const QByteArray hash = line.mid(cut + 1);
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
        c.kind = fields[2] == QLatin1String("added")     ? Correction::Kind::Added
                 : fields[2] == QLatin1String("changed") ? Correction::Kind::Changed
                                                         : Correction::Kind::Deleted;
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
    return read;
}
