#include "sync/ServerReports.h"

#include "data/TimeFile.h"
#include "sync/PunchRows.h"
#include "sync/SyncDatabase.h"

namespace {

// Each employee's lines from the first third of a month (see horodex_punch_tally) that reaches
// into the pay period. The lines before it are left out when they hold exactly one IN for every
// two lines: all of them are dated before the period, so the pairing of a time file only counts
// them, and dropping such pairs changes no pair. Other employees are read whole.
const QString ReadLines = QStringLiteral(
    "SELECT t.employee, x.lines, x.bad FROM (SELECT employee, CASE WHEN"
    "  COALESCE(sum(lines) FILTER (WHERE bucket < b), 0) ="
    "  2 * COALESCE(sum(ins) FILTER (WHERE bucket < b), 0) THEN b ELSE ''::bytea END AS first"
    "  FROM horodex_punch_tally, (SELECT CAST(? AS bytea) AS b) AS start%1"
    "  GROUP BY employee, b) AS t"
    " CROSS JOIN LATERAL (SELECT string_agg(p.line, ''::bytea ORDER BY %2) AS lines,"
    "  count(*) FILTER (WHERE length(p.line) <> 31) AS bad FROM horodex_punch p"
    "  WHERE p.employee = t.employee AND p.moment_key >= t.first AND NOT p.removed) AS x");

} // namespace

IoResult ServerTimeFiles::load(SyncDatabase& database, QDate periodStart, const QString& employee)
{
    m_files.clear();
    // Year, month and the tens of the day of the period's first day: its third of the month.
    const QByteArray bucket = periodStart.toString(QStringLiteral("yyyyMMdd")).toLatin1().left(7);
    ServerRows* query = nullptr;
    const QString order = PunchOrder();
    IoResult r =
        employee.isEmpty()
            ? database.exec(&query, ReadLines.arg(QString(), order), {bucket}, "read punches")
            : database.exec(&query, ReadLines.arg(QStringLiteral(" WHERE employee = ?"), order),
                            {bucket, employee}, "read punches");
    while (r && query->next()) {
        const QString name = query->value(0).toString();
        const QByteArray lines = query->value(1).toByteArray();
        // A row that is not a line would shift every line after it.
        if (query->value(2).toLongLong() != 0 || lines.size() % TimeRecord::Size != 0)
            return IoResult::failure(BadPunchRowMessage(name));
        // A row changed by hand to a date or time that cannot be is named as well.
        for (qsizetype at = 0; at < lines.size(); at += TimeRecord::Size) {
            if (!IsPunchLine(QByteArrayView(lines).sliced(at, TimeRecord::Size)))
                return IoResult::failure(BadPunchRowMessage(name));
        }
        m_files.insert(name, lines);
    }
    return r;
}
