#include "sync/ServerReports.h"

#include "data/Messages.h"
#include "reports/text/PayPeriod.h"
#include "sync/SyncDatabase.h"
#include "timecalc/TimeManipulation.h"

#include <QSet>

namespace {

// The first moment of a day as the server orders lines: year, month, day, hour, minute.
QByteArray MomentKey(QDate day)
{
    return day.toString(QStringLiteral("yyyyMMdd")).toLatin1() + "0000";
}

// A prefix of n lines holding n / 2 INs, all dated before the pay period, only shifts where the
// pairing starts: dropping it changes no pair. Employees whose earlier lines are not such pairs
// are read whole.
IoResult EmployeesReadWhole(SyncDatabase& database, const QByteArray& start,
                            const QString& employee, QSet<QString>* whole)
{
    QSqlQuery query(database.db());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "SELECT employee FROM horodex_punch WHERE moment_key < ?%1 GROUP BY employee "
        "HAVING count(*) <> 2 * count(*) FILTER (WHERE is_in)");
    IoResult r = employee.isEmpty()
                     ? database.exec(query, sql.arg(QString()), {start}, "read punches")
                     : database.exec(query, sql.arg(QStringLiteral(" AND employee = ?")),
                                     {start, employee}, "read punches");
    while (r && query.next())
        whole->insert(query.value(0).toString());
    return r;
}

} // namespace

IoResult ServerTimeFiles::load(SyncDatabase& database, QDate periodStart, const QString& employee)
{
    m_files.clear();
    const QByteArray start = MomentKey(periodStart);
    QSet<QString> whole;
    if (IoResult r = EmployeesReadWhole(database, start, employee, &whole); !r)
        return r;
    // Ordered by employee first, so that each employee's lines arrive together.
    const QString order = QStringLiteral(" ORDER BY employee, moment_key, station, byte_offset");
    QSqlQuery query(database.db());
    query.setForwardOnly(true);
    for (const QString& name : std::as_const(whole)) {
        if (IoResult r = database.exec(query,
                                       QStringLiteral("SELECT line FROM horodex_punch WHERE "
                                                      "employee = ? AND moment_key < ?") +
                                           order,
                                       {name, start}, "read punches");
            !r)
            return r;
        QByteArray& bytes = m_files[name];
        while (query.next())
            bytes += query.value(0).toByteArray();
    }
    const QString recent =
        QStringLiteral("SELECT employee, line FROM horodex_punch WHERE moment_key >= ?%1") + order;
    IoResult r = employee.isEmpty()
                     ? database.exec(query, recent.arg(QString()), {start}, "read punches")
                     : database.exec(query, recent.arg(QStringLiteral(" AND employee = ?")),
                                     {start, employee}, "read punches");
    QString current;
    QByteArray* bytes = nullptr;
    while (r && query.next()) {
        const QString name = query.value(0).toString();
        if (!bytes || name != current) {
            current = name;
            bytes = &m_files[name];
        }
        *bytes += query.value(1).toByteArray();
    }
    return r;
}

std::optional<ReportTexts> CreateMultipleReportFromServer(SyncDatabase& database,
                                                          const MultipleReportInput& input,
                                                          QString* error)
{
    const ReportOptions& o = input.options;
    if (!CheckPayPeriod(o.from, o.to))
        return std::nullopt;
    ServerTimeFiles files;
    if (IoResult r = files.load(database, o.from); !r) {
        *error = r.error;
        return std::nullopt;
    }
    const int rounding = o.settings.timeRoundingValue();
    MultipleReportBuilder builder(input.shift, o);
    for (const EmployeeRecord& employee : input.employees) {
        if (!IsSelectedForShift(employee, input.shift))
            continue;
        const QByteArray bytes = files.bytesOf(employee.Name.trimmed());
        builder.AddEmployee(employee, PayPeriodFromTimeFile(bytes, o.from, o.to, rounding, o.zone));
    }
    if (input.shift != 0 && builder.EmployeeCount() == 0) {
        Messages::warning(NoEmployeesForShiftMessage());
        return std::nullopt;
    }
    return builder.Finish();
}

std::optional<ReportTexts>
CreateSingleReportFromServer(SyncDatabase& database, const SingleReportInput& input, QString* error)
{
    const ReportOptions& o = input.options;
    if (!CheckPayPeriod(o.from, o.to))
        return std::nullopt;
    ServerTimeFiles files;
    if (IoResult r = files.load(database, o.from, input.employeeName); !r) {
        *error = r.error;
        return std::nullopt;
    }
    return BuildSingleReport(input,
                             PayPeriodFromTimeFile(files.bytesOf(input.employeeName), o.from, o.to,
                                                   o.settings.timeRoundingValue(), o.zone));
}
