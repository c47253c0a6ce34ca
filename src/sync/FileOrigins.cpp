#include "sync/FileOrigins.h"

#include "data/TimeFile.h"
#include "sync/SyncDatabase.h"

#include <algorithm>

namespace {

// Links deeper than this are taken as a loop made by hand.
constexpr int MaxLinkDepth = 64;

QList<PunchRow> ContentAt(const EmployeeOrigins& origins, const QByteArray& origin, int depth)
{
    QList<PunchRow> lines;
    const auto link = origins.links.constFind(origin);
    qint64 start = 0;
    if (link != origins.links.cend() && link->baseLength > 0 && depth < MaxLinkDepth) {
        for (const PunchRow& row : ContentAt(origins, link->base, depth + 1)) {
            if (row.offset >= link->baseLength)
                break;
            lines.append(row);
        }
        if (qint64(lines.size()) * TimeRecord::Size < link->baseLength)
            return lines;
        start = link->baseLength;
    }
    qint64 expected = start;
    for (const PunchRow& row : origins.rows.value(origin)) {
        if (row.offset < start)
            continue;
        if (row.offset != expected)
            break;
        lines.append(row);
        expected += TimeRecord::Size;
    }
    return lines;
}

} // namespace

QList<PunchRow> EmployeeOrigins::content(const QByteArray& origin) const
{
    return ContentAt(*this, origin, 0);
}

QByteArray EmployeeOrigins::newest(const QByteArray& origin) const
{
    QByteArray current = origin;
    for (int depth = 0; depth < MaxLinkDepth; ++depth) {
        const auto next =
            std::find_if(links.cbegin(), links.cend(), [&current](const OriginLink& l) {
                return l.replaces && l.base == current;
            });
        if (next == links.cend())
            break;
        current = next.key();
    }
    return current;
}

bool EmployeeOrigins::replaced(const QByteArray& origin) const
{
    return newest(origin) != origin;
}

QList<QByteArray> EmployeeOrigins::origins() const
{
    QList<QByteArray> all = rows.keys();
    for (auto it = links.cbegin(); it != links.cend(); ++it) {
        if (!all.contains(it.key()))
            all.append(it.key());
    }
    std::sort(all.begin(), all.end());
    return all;
}

IoResult LoadOrigins(SyncDatabase& database, const QString& station, const QStringList& employees,
                     QHash<QString, EmployeeOrigins>* origins)
{
    origins->clear();
    if (employees.isEmpty())
        return IoResult::success();
    const QString names = employees.join(u'\n');
    ServerRows* query = nullptr;
    if (IoResult r = database.exec(
            &query,
            QStringLiteral("SELECT employee, origin, byte_offset, line, removed, received::text"
                           " FROM horodex_punch WHERE station = ? AND employee ="
                           " ANY(string_to_array(CAST(? AS text), chr(10)))"
                           " ORDER BY employee, origin, byte_offset"),
            {station, names}, "look for this station's punches");
        !r)
        return r;
    while (query->next()) {
        (*origins)[query->value(0).toString()].rows[query->value(1).toString().toLatin1()].append(
            {query->value(1).toString().toLatin1(), query->value(2).toLongLong(),
             query->value(3).toByteArray(), query->value(4).toBool(), query->value(5).toString()});
    }
    if (IoResult r = database.exec(
            &query,
            QStringLiteral("SELECT employee, origin, base, base_length, replaces, length, digest"
                           " FROM horodex_origin WHERE station = ? AND employee ="
                           " ANY(string_to_array(CAST(? AS text), chr(10)))"),
            {station, names}, "look for this station's punches");
        !r)
        return r;
    while (query->next()) {
        (*origins)[query->value(0).toString()].links.insert(
            query->value(1).toString().toLatin1(),
            {query->value(2).toString().toLatin1(), query->value(3).toLongLong(),
             query->value(4).toBool(), query->value(5).toLongLong(),
             query->value(6).toString().toLatin1()});
    }
    return IoResult::success();
}

IoResult AddOriginLink(SyncDatabase& database, const QString& station, const QString& employee,
                       const QByteArray& origin, const OriginLink& link)
{
    ServerRows* query = nullptr;
    return database.exec(&query,
                         QStringLiteral("INSERT INTO horodex_origin (station, employee, origin, "
                                        "base, base_length, replaces, length, digest) VALUES "
                                        "(?, ?, ?, ?, ?, ?, ?, ?)"),
                         {station, employee, OriginText(origin), OriginText(link.base),
                          link.baseLength, link.replaces, link.length,
                          QString::fromLatin1(link.digest)},
                         "record where the punches come from");
}

QByteArray JoinedLines(const QList<PunchRow>& rows)
{
    QByteArray bytes;
    for (const PunchRow& row : rows)
        bytes += row.line;
    return bytes;
}
