#include "sync/PunchRows.h"

#include "data/FileStore.h"
#include "data/PunchLine.h"
#include "sync/SyncDatabase.h"

#include <QDate>
#include <QStringList>

#include <algorithm>

namespace {

// A field of the line in column l, as SQL counts (from 1).
QString FieldSql(PunchLine::Field f)
{
    return QStringLiteral("substr(l, %1, %2)").arg(f.offset + 1).arg(f.length);
}

// The line's moment key, byte for byte as PunchMomentKey makes it.
QString MomentKeySql()
{
    QStringList parts;
    for (const PunchLine::Field f : PunchLine::MomentKey)
        parts.append(FieldSql(f));
    return parts.join(QStringLiteral(" || "));
}

// Whether the line's action is "IN ", byte for byte (get_byte counts from 0).
QString IsInSql()
{
    QStringList bytes;
    for (int i = 0; i < PunchLine::Action.length; ++i)
        bytes.append(QStringLiteral("get_byte(l, %1) = %2")
                         .arg(PunchLine::Action.offset + i)
                         .arg(int(uchar(PunchLine::In[i]))));
    return bytes.join(QStringLiteral(" AND "));
}

// A PostgreSQL array literal of quoted texts, read with CAST(? AS type[]).
QString ArrayText(const QStringList& items)
{
    QStringList quoted;
    for (const QString& item : items)
        quoted.append(u'"' +
                      QString(item)
                          .replace(u'\\', QLatin1String("\\\\"))
                          .replace(u'"', QLatin1String("\\\"")) +
                      u'"');
    return u'{' + quoted.join(u',') + u'}';
}

QString OffsetsText(const QList<qint64>& offsets)
{
    QStringList items;
    for (const qint64 offset : offsets)
        items.append(QString::number(offset));
    return ArrayText(items);
}

} // namespace

// The blocks of several files go as one statement: their lines as one bytea, and per file its
// employee, origin, first offset, first line in the bytea, number of lines and whether it is
// fresh. The server cuts the bytea into rows, probes the key of each row of a file that is not
// fresh in the primary key's index (a probe per row,
// so that no plan, however stale the table's statistics, reads the whole table), holds back every
// file of which a key already holds another line, and stores the rest in the order of their keys,
// counting the rows it did not hold yet into the tally in the order of its keys: two stations
// storing lines of the same employees take the rows' locks in one order and never deadlock. It
// names the other files of which a row was not stored (held already) as short.
const QString& StorePunchBlocksStatement()
{
    static const QString sql =
        QStringLiteral(
            "WITH files AS ("
            " SELECT CAST(? AS text) AS s, k.* FROM unnest(CAST(? AS text[]), CAST(? AS text[]),"
            " CAST(? AS bigint[]), CAST(? AS integer[]), CAST(? AS integer[]),"
            " CAST(? AS boolean[])) WITH ORDINALITY AS k(e, f, o, at, n, fresh, k)), "
            "lines AS ("
            " SELECT files.k, s, f, e, o + %1 * i AS o, substr(b, %1 * (at + i) + 1, %1) AS l,"
            " fresh"
            " FROM files CROSS JOIN (SELECT CAST(? AS bytea) AS b) AS block"
            " CROSS JOIN LATERAL generate_series(0, n - 1) AS i), "
            "clash AS ("
            " SELECT DISTINCT lines.k FROM lines CROSS JOIN LATERAL (SELECT 1 FROM horodex_punch p"
            " WHERE p.station = lines.s AND p.origin = lines.f AND p.employee = lines.e"
            " AND p.byte_offset = lines.o AND p.line <> lines.l LIMIT 1) AS other"
            " WHERE NOT lines.fresh), "
            "added AS ("
            " INSERT INTO horodex_punch (station, origin, employee, byte_offset, line, moment_key,"
            " is_in)"
            " SELECT s, f, e, o, l, %2, %3"
            " FROM lines WHERE k NOT IN (SELECT k FROM clash) ORDER BY e, f, o"
            " ON CONFLICT ON CONSTRAINT horodex_punch_once DO NOTHING"
            " RETURNING employee, origin, moment_key, is_in), "
            "short AS ("
            " SELECT files.k FROM files LEFT JOIN (SELECT employee, origin, count(*) AS c"
            " FROM added GROUP BY 1, 2) AS a ON a.employee = files.e AND a.origin = files.f"
            " WHERE COALESCE(a.c, 0) < (SELECT sum(g.n) FROM files g WHERE g.e = files.e"
            " AND g.f = files.f) AND files.k NOT IN (SELECT k FROM clash)), "
            "tally AS ("
            " INSERT INTO horodex_punch_tally AS t (employee, bucket, lines, ins)"
            " SELECT employee, substr(moment_key, 1, 7), count(*), count(*) FILTER (WHERE is_in)"
            " FROM added GROUP BY 1, 2 ORDER BY 1, 2"
            " ON CONFLICT (employee, bucket) DO UPDATE"
            " SET lines = t.lines + EXCLUDED.lines, ins = t.ins + EXCLUDED.ins RETURNING 1) "
            "SELECT k, false FROM clash UNION ALL SELECT k, true FROM short")
            .arg(QString::number(PunchLine::Size), MomentKeySql(), IsInSql());
    return sql;
}

namespace {

const QString RemoveLines =
    QStringLiteral("WITH gone AS (UPDATE horodex_punch SET removed = true"
                   " WHERE employee = ? AND NOT removed%1 RETURNING employee, moment_key, is_in) "
                   "INSERT INTO horodex_punch_tally AS t (employee, bucket, lines, ins)"
                   " SELECT employee, substr(moment_key, 1, 7), -count(*),"
                   " -count(*) FILTER (WHERE is_in) FROM gone GROUP BY 1, 2 ORDER BY 1, 2 "
                   "ON CONFLICT (employee, bucket) DO UPDATE"
                   " SET lines = t.lines + EXCLUDED.lines, ins = t.ins + EXCLUDED.ins");

} // namespace

bool IsPunchLine(QByteArrayView line)
{
    using namespace PunchLine;
    if (line.size() != Size)
        return false;
    const QByteArrayView action = field(line, Action);
    if (action != In && action != Out)
        return false;
    for (int i = Action.end(); i < Size; ++i) {
        if (Shape[i] != '9' && line[i] != Shape[i])
            return false;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (!readDigits(line.data(), Year, &year) || !readDigits(line.data(), Month, &month) ||
        !readDigits(line.data(), Day, &day) || !readDigits(line.data(), Hour, &hour) ||
        !readDigits(line.data(), Minute, &minute))
        return false;
    return QDate::isValid(year, month, day) && year >= 1 && hour < 24 && minute < 60;
}

QString PunchOrder(bool newestFirst)
{
    QStringList columns{QStringLiteral("moment_key"), QStringLiteral("received"),
                        QStringLiteral("station"), QStringLiteral("origin"),
                        QStringLiteral("byte_offset")};
    if (newestFirst) {
        for (QString& column : columns)
            column += QStringLiteral(" DESC");
    }
    return columns.join(QStringLiteral(", "));
}

IoResult StorePunchBlocks(SyncDatabase& database, const QString& station,
                          const QList<PunchBlock>& blocks, QList<qsizetype>* clashed,
                          bool lookAgain)
{
    clashed->clear();
    if (blocks.isEmpty())
        return IoResult::success();
    QStringList employees, origins, offsets, starts, counts, fresh;
    QByteArray lines;
    for (const PunchBlock& block : blocks) {
        employees.append(block.employee);
        origins.append(OriginText(block.origin));
        offsets.append(QString::number(block.offset));
        starts.append(QString::number(lines.size() / PunchLine::Size));
        counts.append(QString::number(block.lines.size() / PunchLine::Size));
        fresh.append(block.fresh ? QStringLiteral("t") : QStringLiteral("f"));
        lines += block.lines.left(block.lines.size() - block.lines.size() % PunchLine::Size);
    }
    ServerRows* query = nullptr;
    if (IoResult r =
            database.exec(&query, StorePunchBlocksStatement(),
                          {station, ArrayText(employees), ArrayText(origins), ArrayText(offsets),
                           ArrayText(starts), ArrayText(counts), ArrayText(fresh), lines},
                          "store punches");
        !r)
        return r;
    QList<qsizetype> held;
    while (query->next())
        (query->value(1).toBool() ? held : *clashed)
            .append(qsizetype(query->value(0).toLongLong() - 1));
    // A row held already is a retry's, or another station's that committed after the statement
    // looked (a copied folder sending at the same moment): a statement of its own sees which.
    if (lookAgain && !held.isEmpty()) {
        QList<PunchBlock> again;
        for (const qsizetype k : std::as_const(held)) {
            again.append(blocks.at(k));
            again.last().fresh = false;
        }
        QList<qsizetype> againClashed;
        if (IoResult r = StorePunchBlocks(database, station, again, &againClashed, false); !r)
            return r;
        for (const qsizetype k : std::as_const(againClashed))
            clashed->append(held.at(k));
    }
    std::sort(clashed->begin(), clashed->end());
    return IoResult::success();
}

QString ClashMessage(const QString& employee)
{
    return QStringLiteral("The shared database already holds other punches of \"%1\" at the "
                          "places of this station's file. Nothing of it was counted as sent; the "
                          "lines the server lacks are sent under an origin of their own.")
        .arg(FileStore::displayText(employee));
}

IoResult StorePunchLines(SyncDatabase& database, const QString& station, const QByteArray& origin,
                         const QString& employee, qint64 offset, const QByteArray& lines,
                         bool* clash)
{
    QList<qsizetype> clashed;
    if (IoResult r =
            StorePunchBlocks(database, station, {{employee, origin, offset, lines}}, &clashed);
        !r)
        return r;
    if (clashed.isEmpty())
        return IoResult::success();
    if (clash)
        *clash = true;
    return IoResult::failure(ClashMessage(employee));
}

IoResult RemovePunchLines(SyncDatabase& database, const QString& employee, const QString& station,
                          const QByteArray& origin)
{
    ServerRows* query = nullptr;
    if (station.isNull())
        return database.exec(&query, RemoveLines.arg(QString()), {employee}, "correct punches");
    return database.exec(&query, RemoveLines.arg(QStringLiteral(" AND station = ? AND origin = ?")),
                         {employee, station, OriginText(origin)}, "correct punches");
}

namespace {

const QString TallyOut =
    QStringLiteral("INSERT INTO horodex_punch_tally AS t (employee, bucket, lines, ins)"
                   " SELECT employee, substr(moment_key, 1, 7), -count(*),"
                   " -count(*) FILTER (WHERE is_in) FROM gone GROUP BY 1, 2 ORDER BY 1, 2 "
                   "ON CONFLICT (employee, bucket) DO UPDATE"
                   " SET lines = t.lines + EXCLUDED.lines, ins = t.ins + EXCLUDED.ins");

} // namespace

IoResult RemovePunchRows(SyncDatabase& database, const QString& station, const QString& employee,
                         const QList<PunchRow>& rows)
{
    if (rows.isEmpty())
        return IoResult::success();
    QStringList origins;
    QList<qint64> offsets;
    for (const PunchRow& row : rows) {
        origins.append(OriginText(row.origin));
        offsets.append(row.offset);
    }
    ServerRows* query = nullptr;
    return database.exec(
        &query,
        QStringLiteral("WITH gone AS (UPDATE horodex_punch p SET removed = true"
                       " FROM unnest(CAST(? AS text[]), CAST(? AS bigint[])) AS k(f, o)"
                       " WHERE p.station = ? AND p.employee = ? AND p.origin = k.f"
                       " AND p.byte_offset = k.o AND NOT p.removed"
                       " RETURNING p.employee, p.moment_key, p.is_in) ") +
            TallyOut,
        {ArrayText(origins), OffsetsText(offsets), station, employee}, "correct punches");
}

IoResult InheritPunchRows(SyncDatabase& database, const QString& station, const QByteArray& origin,
                          const QString& employee, const QList<qint64>& offsets,
                          const QList<PunchRow>& from)
{
    if (offsets.isEmpty())
        return IoResult::success();
    QStringList received, removed;
    for (const PunchRow& row : from) {
        received.append(row.received);
        removed.append(row.removed ? QStringLiteral("t") : QStringLiteral("f"));
    }
    ServerRows* query = nullptr;
    return database.exec(
        &query,
        QStringLiteral("WITH gone AS (UPDATE horodex_punch p SET received = k.r, removed = k.d"
                       " FROM unnest(CAST(? AS bigint[]), CAST(? AS timestamptz[]),"
                       " CAST(? AS boolean[])) AS k(o, r, d)"
                       " WHERE p.station = ? AND p.origin = ? AND p.employee = ?"
                       " AND p.byte_offset = k.o"
                       " RETURNING p.employee, p.moment_key, p.is_in, k.d AS d) ") +
            QString(TallyOut).replace(QStringLiteral("FROM gone"),
                                      QStringLiteral("FROM gone WHERE d")),
        {OffsetsText(offsets), ArrayText(received), ArrayText(removed), station, OriginText(origin),
         employee},
        "keep the punches' history");
}

QString OriginText(const QByteArray& origin)
{
    return origin.isEmpty() ? QStringLiteral("") : QString::fromLatin1(origin);
}

QString BadPunchRowMessage(const QString& employee)
{
    return QStringLiteral("The shared database holds a row of \"%1\" that is not a time-file line "
                          "(31 bytes, a punch at a date and time that can be): it was changed by "
                          "hand. Nothing is reported from it; correct or delete that row on the "
                          "server.")
        .arg(FileStore::displayText(employee));
}
