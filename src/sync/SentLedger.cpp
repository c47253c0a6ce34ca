#include "sync/SentLedger.h"

#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/TimeFile.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>

namespace {

const QByteArray FirstMagic = QByteArrayLiteral("horodex-sent 1");
const QByteArray Magic = QByteArrayLiteral("horodex-sent 2");

bool IsIdentity(const QByteArray& text)
{
    if (text.size() != 32)
        return false;
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsDigest(const QByteArray& text)
{
    return text.isEmpty() ||
           (text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
            }));
}

} // namespace

QString SentLedgerPath()
{
    return Environment::dataFilePath(QStringLiteral("station.sent"));
}

QByteArray NewIdentity()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
}

QByteArray DigestOf(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray SerializeSentLedger(const SentLedger& ledger)
{
    QByteArray bytes = Magic + '\n' + ledger.station.toUtf8() + '\n' + ledger.stationId + '\n';
    QStringList names = ledger.files.keys();
    std::sort(names.begin(), names.end());
    for (const QString& name : names) {
        const SentFile& file = ledger.files.value(name);
        bytes += QByteArray::number(file.acknowledged) + '\t' + file.origin + '\t' + file.digest +
                 '\t' + name.toUtf8() + '\n';
    }
    return bytes;
}

IoResult ParseSentLedger(const QByteArray& bytes, const QString& path, SentLedger* ledger)
{
    *ledger = SentLedger();
    if (bytes.isEmpty())
        return IoResult::success();
    const auto damaged = [&path](qsizetype line) {
        return IoResult::failure(
            QStringLiteral("The record of sent punches \"%1\" is damaged at line %2. Move it away "
                           "(or restore it from a backup): this station then finds again on the "
                           "server what it has sent, and sends the rest.")
                .arg(FileStore::displayPath(path))
                .arg(line + 1));
    };
    const QList<QByteArray> lines = bytes.split('\n');
    // Written whole by an atomic replace: a file that does not end its last line is damaged.
    if (lines.size() < 3 || !lines.constLast().isEmpty())
        return damaged(0);
    const bool first = lines.constFirst() == FirstMagic;
    if (!first && lines.constFirst() != Magic)
        return damaged(0);
    ledger->station = QString::fromUtf8(lines.at(1));
    qsizetype i = 2;
    if (!first) {
        if (lines.size() < 4 || !IsIdentity(lines.at(2)))
            return damaged(2);
        ledger->stationId = lines.at(2);
        i = 3;
    }
    for (; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).split('\t');
        if (fields.size() != (first ? 2 : 4))
            return damaged(i);
        bool ok = false;
        SentFile file;
        file.acknowledged = fields.constFirst().toLongLong(&ok);
        const QByteArray& name = fields.constLast();
        // The server holds whole records: an offset inside one would send every later line cut
        // in the wrong place.
        if (!ok || file.acknowledged < 0 || file.acknowledged % TimeRecord::Size != 0 ||
            name.isEmpty())
            return damaged(i);
        if (!first) {
            file.origin = fields.at(1);
            file.digest = fields.at(2);
            // A file whose origin is not known yet (read from the first format) has neither.
            const bool unknown = file.origin.isEmpty() && file.digest.isEmpty();
            if (!unknown && (!IsIdentity(file.origin) || !IsDigest(file.digest)))
                return damaged(i);
        }
        ledger->files.insert(QString::fromUtf8(name), file);
    }
    return IoResult::success();
}

IoResult ReadSentLedger(SentLedger* ledger)
{
    QByteArray bytes;
    if (IoResult read = FileStore::readFile(SentLedgerPath(), &bytes, MaxSentLedgerSize, true);
        !read)
        return read;
    return ParseSentLedger(bytes, SentLedgerPath(), ledger);
}

IoResult WriteSentLedger(const SentLedger& ledger)
{
    return FileStore::replaceFile(SentLedgerPath(), SerializeSentLedger(ledger));
}

IoResult ReadOrStartSentLedger(SentLedger* ledger)
{
    if (IoResult r = ReadSentLedger(ledger); !r)
        return r;
    if (!ledger->stationId.isEmpty())
        return IoResult::success();
    ledger->stationId = NewIdentity();
    return WriteSentLedger(*ledger);
}
