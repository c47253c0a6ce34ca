#include "sync/PunchSender.h"

#include "data/EmployeeList.h"
#include "data/TimeFile.h"
#include "sync/SentLedger.h"
#include "sync/SyncDatabase.h"

#include <QList>

namespace {

constexpr qint64 DefaultRowsPerTransaction = 20000;
// One statement carries at most this many lines: two megabytes of a long backlog.
constexpr qint64 MaxRowsPerStatement = 65536;

// The lines go as one block per employee; the server cuts it into rows, each keyed by its offset,
// and counts the rows it did not hold yet into the tally.
const QString InsertLines = QStringLiteral(
    "WITH added AS ("
    " INSERT INTO horodex_punch (station, employee, byte_offset, line, moment_key, is_in)"
    " SELECT s, e, o + 31 * i, l,"
    "  substr(l, 13, 4) || substr(l, 7, 2) || substr(l, 10, 2) || substr(l, 25, 2) ||"
    "  substr(l, 28, 2),"
    "  get_byte(l, 0) = 73 AND get_byte(l, 1) = 78 AND get_byte(l, 2) = 32"
    " FROM (SELECT CAST(? AS text) AS s, CAST(? AS text) AS e, CAST(? AS bigint) AS o, i,"
    "  substr(b, 31 * i + 1, 31) AS l"
    "  FROM (SELECT CAST(? AS bytea) AS b) AS block,"
    "  generate_series(0, length(b) / 31 - 1) AS i) AS lines"
    " ON CONFLICT ON CONSTRAINT horodex_punch_once DO NOTHING"
    " RETURNING employee, moment_key, is_in) "
    "INSERT INTO horodex_punch_tally AS t (employee, bucket, lines, ins)"
    " SELECT employee, substr(moment_key, 1, 7), count(*), count(*) FILTER (WHERE is_in)"
    " FROM added GROUP BY 1, 2 ORDER BY 1, 2 "
    "ON CONFLICT (employee, bucket) DO UPDATE"
    " SET lines = t.lines + EXCLUDED.lines, ins = t.ins + EXCLUDED.ins");

struct Pending
{
    QString employee;
    qint64 from = 0; // acknowledged bytes
    qint64 to = 0;   // end of the last whole line
};

IoResult CheckStation(const SentLedger& ledger, const QString& station)
{
    if (ledger.station.isEmpty() || ledger.station == station)
        return IoResult::success();
    return IoResult::failure(
        QStringLiteral("This station's punches were sent as station \"%1\", but station.ini now "
                       "names it \"%2\": sending them again under the new name would count them "
                       "twice. Put the old name back in station.ini. The punches wait at this "
                       "station.")
            .arg(FileStore::displayText(ledger.station), FileStore::displayText(station)));
}

// The time files with lines past what the server acknowledged.
IoResult FindPending(const SentLedger& ledger, QList<Pending>* pending, QStringList* problems)
{
    // A punch station gets its list from the head station: until then it has nothing to send.
    if (FileStore::examine(EmployeeListPath()).kind == FileStore::Entry::Kind::Missing)
        return IoResult::success();
    EmployeeList list;
    if (IoResult read = ReadEmployeeList(&list); !read)
        return read;
    for (const EmployeeRecord& record : list.records) {
        const QString name = record.Name.trimmed();
        if (name.isEmpty())
            continue;
        const FileStore::Entry entry = FileStore::examine(TimeFilePath(name));
        if (entry.kind == FileStore::Entry::Kind::Missing)
            continue;
        const qint64 acknowledged = ledger.of(name);
        const qint64 whole = entry.size - entry.size % TimeRecord::Size;
        if (entry.kind != FileStore::Entry::Kind::Regular || whole < acknowledged) {
            problems->append(
                QStringLiteral("The time file of \"%1\" is not sent: it is %2 than what the "
                               "server already holds of it.")
                    .arg(FileStore::displayText(name),
                         entry.kind == FileStore::Entry::Kind::Regular
                             ? QStringLiteral("shorter")
                             : QStringLiteral("no plain file, and so shorter")));
            continue;
        }
        if (whole > acknowledged)
            pending->append({name, acknowledged, whole});
    }
    return IoResult::success();
}

IoResult SendBlock(SyncDatabase& database, const QString& station, const Pending& p, qint64 length)
{
    QByteArray block(qsizetype(length), Qt::Uninitialized);
    FileStore::Reader file;
    if (IoResult r = file.open(TimeFilePath(p.employee)); !r)
        return r;
    if (IoResult r = file.readAt(p.from, block.data(), length); !r)
        return r;
    QSqlQuery query(database.db());
    return database.exec(query, InsertLines, {station, p.employee, p.from, block}, "store punches");
}

qint64 WaitingLines(const QList<Pending>& pending)
{
    qint64 lines = 0;
    for (const Pending& p : pending)
        lines += (p.to - p.from) / TimeRecord::Size;
    return lines;
}

} // namespace

IoResult StorePunchLines(SyncDatabase& database, const QString& station, const QString& employee,
                         qint64 offset, const QByteArray& lines)
{
    QSqlQuery query(database.db());
    return database.exec(query, InsertLines, {station, employee, offset, lines}, "store punches");
}

IoResult SendPunches(SyncDatabase& database, const QString& station, SendOutcome* outcome,
                     qint64 rowsPerTransaction)
{
    *outcome = SendOutcome();
    if (rowsPerTransaction <= 0)
        rowsPerTransaction = DefaultRowsPerTransaction;
    SentLedger ledger;
    if (IoResult r = ReadSentLedger(&ledger); !r)
        return r;
    if (IoResult r = CheckStation(ledger, station); !r)
        return r;
    ledger.station = station;
    QList<Pending> pending;
    if (IoResult r = FindPending(ledger, &pending, &outcome->problems); !r)
        return r;
    outcome->waiting = WaitingLines(pending);
    qsizetype next = 0;
    while (next < pending.size()) {
        if (IoResult r = database.begin(); !r)
            return r;
        SentLedger after = ledger;
        qint64 rows = 0;
        while (next < pending.size() && rows < rowsPerTransaction) {
            Pending& p = pending[next];
            const qint64 lines = std::min({(p.to - p.from) / TimeRecord::Size, MaxRowsPerStatement,
                                           rowsPerTransaction - rows});
            if (IoResult r = SendBlock(database, station, p, lines * TimeRecord::Size); !r) {
                database.rollback();
                return r;
            }
            rows += lines;
            p.from += lines * TimeRecord::Size;
            after.acknowledged.insert(p.employee, p.from);
            if (p.from == p.to)
                ++next;
        }
        if (IoResult r = database.commit(); !r)
            return r;
        // Only now is it the server's: a crash before this line sends the block again.
        if (IoResult r = WriteSentLedger(after); !r)
            return r;
        ledger = after;
        outcome->sent += rows;
        outcome->waiting -= rows;
    }
    return IoResult::success();
}

IoResult CountWaitingPunches(const QString& station, qint64* waiting)
{
    *waiting = 0;
    SentLedger ledger;
    if (IoResult r = ReadSentLedger(&ledger); !r)
        return r;
    if (IoResult r = CheckStation(ledger, station); !r)
        return r;
    QList<Pending> pending;
    QStringList problems;
    if (IoResult r = FindPending(ledger, &pending, &problems); !r)
        return r;
    *waiting = WaitingLines(pending);
    return IoResult::success();
}
