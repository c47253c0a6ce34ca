#include "sync/ServerReports.h"

#include "reports/text/PayPeriod.h"
#include "sync/SyncDatabase.h"
#include "timecalc/TimeManipulation.h"

namespace {

// Each employee's lines from the first third of a month (see horodex_punch_tally) that reaches
// into the pay period. The lines before it are left out when they hold exactly one IN for every
// two lines: all of them are dated before the period, so the pairing of a time file only counts
// them, and dropping such pairs changes no pair. Other employees are read whole.
const QString ReadLines = QStringLiteral(
    "SELECT t.employee, (SELECT string_agg(p.line, ''::bytea ORDER BY p.moment_key, p.station,"
    " p.byte_offset) FROM horodex_punch p"
    " WHERE p.employee = t.employee AND p.moment_key >= t.first AND NOT p.removed)"
    " FROM (SELECT employee, CASE WHEN COALESCE(sum(lines) FILTER (WHERE bucket < b), 0) ="
    "  2 * COALESCE(sum(ins) FILTER (WHERE bucket < b), 0) THEN b ELSE ''::bytea END AS first"
    "  FROM horodex_punch_tally, (SELECT CAST(? AS bytea) AS b) AS start%1"
    "  GROUP BY employee, b) AS t");

} // namespace

IoResult ServerTimeFiles::load(SyncDatabase& database, QDate periodStart, const QString& employee)
{
    m_files.clear();
    // Year, month and the tens of the day of the period's first day: its third of the month.
    const QByteArray bucket = periodStart.toString(QStringLiteral("yyyyMMdd")).toLatin1().left(7);
    QSqlQuery query(database.db());
    query.setForwardOnly(true);
    IoResult r = employee.isEmpty()
                     ? database.exec(query, ReadLines.arg(QString()), {bucket}, "read punches")
                     : database.exec(query, ReadLines.arg(QStringLiteral(" WHERE employee = ?")),
                                     {bucket, employee}, "read punches");
    while (r && query.next())
        m_files.insert(query.value(0).toString(), query.value(1).toByteArray());
    return r;
}

Result<ReportTexts> CreateMultipleReportFromServer(SyncDatabase& database,
                                                   const MultipleReportInput& input)
{
    const ReportOptions& o = input.options;
    if (!IsValidPayPeriod(o.from, o.to))
        return Failure{PayPeriodMessage(), QString()};
    ServerTimeFiles files;
    if (IoResult r = files.load(database, o.from); !r)
        return Failure{r.error, QString()};
    const int rounding = o.settings.timeRoundingValue();
    MultipleReportBuilder builder(input.shift, o);
    for (const EmployeeRecord& employee : input.employees) {
        if (!IsSelectedForShift(employee, input.shift))
            continue;
        const QByteArray bytes = files.bytesOf(employee.Name.trimmed());
        builder.AddEmployee(employee, PayPeriodFromTimeFile(bytes, o.from, o.to, rounding, o.zone));
    }
    if (input.shift != 0 && builder.EmployeeCount() == 0)
        return Failure{NoEmployeesForShiftMessage(), QString()};
    return builder.Finish();
}

Result<ReportTexts> CreateSingleReportFromServer(SyncDatabase& database,
                                                 const SingleReportInput& input)
{
    const ReportOptions& o = input.options;
    if (!IsValidPayPeriod(o.from, o.to))
        return Failure{PayPeriodMessage(), QString()};
    ServerTimeFiles files;
    if (IoResult r = files.load(database, o.from, input.employeeName); !r)
        return Failure{r.error, QString()};
    return BuildSingleReport(input,
                             PayPeriodFromTimeFile(files.bytesOf(input.employeeName), o.from, o.to,
                                                   o.settings.timeRoundingValue(), o.zone));
}
