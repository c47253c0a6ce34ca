#include "sync/SentLedger.h"

#include "data/Environment.h"
#include "data/TimeFile.h"

#include <QStringList>

#include <algorithm>

namespace {

const QByteArray Magic = QByteArrayLiteral("horodex-sent 1");

} // namespace

QString SentLedgerPath()
{
    return Environment::dataFilePath(QStringLiteral("station.sent"));
}

QByteArray SerializeSentLedger(const SentLedger& ledger)
{
    QByteArray bytes = Magic + '\n' + ledger.station.toUtf8() + '\n';
    QStringList names = ledger.acknowledged.keys();
    std::sort(names.begin(), names.end());
    for (const QString& name : names)
        bytes += QByteArray::number(ledger.acknowledged.value(name)) + '\t' + name.toUtf8() + '\n';
    return bytes;
}

IoResult ParseSentLedger(const QByteArray& bytes, const QString& path, SentLedger* ledger)
{
    *ledger = SentLedger();
    if (bytes.isEmpty())
        return IoResult::success();
    const auto damaged = [&path](qsizetype line) {
        return IoResult::failure(
            QStringLiteral("The record of sent punches \"%1\" is damaged at line %2.")
                .arg(FileStore::displayPath(path))
                .arg(line + 1));
    };
    const QList<QByteArray> lines = bytes.split('\n');
    // Written whole by an atomic replace: a file that does not end its last line is damaged.
    if (lines.size() < 3 || lines.constFirst() != Magic || !lines.constLast().isEmpty())
        return damaged(0);
    ledger->station = QString::fromUtf8(lines.at(1));
    for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const qsizetype tab = line.indexOf('\t');
        bool ok = false;
        const qint64 offset = tab > 0 ? line.left(tab).toLongLong(&ok) : -1;
        // The server holds whole records: an offset inside one would send every later line cut
        // in the wrong place.
        if (!ok || offset < 0 || offset % TimeRecord::Size != 0 || tab + 1 >= line.size())
            return damaged(i);
        ledger->acknowledged.insert(QString::fromUtf8(line.mid(tab + 1)), offset);
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
