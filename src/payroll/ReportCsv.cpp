#include "payroll/ReportCsv.h"

#include "data/FileStore.h"
#include "data/OutputFiles.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace ReportCsv {
namespace {

const QString RowEnd = QStringLiteral("\r\n");

QString Row(const QStringList& fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields)
        quoted.append(Field(field));
    return quoted.join(u',') + RowEnd;
}

QString IsoDate(QDate date)
{
    return date.toString(Qt::ISODate);
}

QString IsoTime(const QDateTime& moment)
{
    return moment.time().toString(QStringLiteral("HH:mm"));
}

} // namespace

QString Field(const QString& text)
{
    // A spreadsheet runs a cell that starts as a formula (a name "=1+2"): a quote makes it text.
    // Plain numbers ("-1.25") stay numbers.
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    const QString value =
        !text.isEmpty() && formulaStart.contains(text.front()) && !number.match(text).hasMatch()
            ? u'\'' + text
            : text;
    static const QString special = QStringLiteral(",\"\r\n");
    bool needsQuotes = false;
    for (const QChar c : value)
        needsQuotes = needsQuotes || special.contains(c);
    if (!needsQuotes)
        return value;
    QString doubled = value;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString Number(float value)
{
    QString text = QString::number(double(value), 'f', 2);
    if (text == QLatin1String("-0.00"))
        text.remove(0, 1);
    return text;
}

QByteArray Payroll(const ReportFigures& figures)
{
    QStringList head{QStringLiteral("Employee Name")};
    if (figures.includeSsn)
        head << QStringLiteral("SSN");
    head << QStringLiteral("Shift") << QStringLiteral("Period Start")
         << QStringLiteral("Period End") << QStringLiteral("Regular Hours")
         << QStringLiteral("Overtime Hours") << QStringLiteral("Regular Rate")
         << QStringLiteral("Overtime Rate") << QStringLiteral("Gross Earnings")
         << QStringLiteral("Day Over 24 Hours");
    QString csv = Row(head);
    for (const EmployeeFigures& e : figures.employees) {
        QStringList row{e.name};
        if (figures.includeSsn)
            row << e.ssn;
        row << QString::number(e.shift) << IsoDate(figures.from) << IsoDate(figures.to)
            << Number(e.regularHours) << Number(e.overtimeHours) << Number(e.regularRate)
            << Number(e.overtimeRate) << Number(e.gross)
            << (e.over24 ? QStringLiteral("1") : QStringLiteral("0"));
        csv += Row(row);
    }
    return csv.toUtf8();
}

QByteArray Punches(const ReportFigures& figures)
{
    QString csv =
        Row({QStringLiteral("Employee Name"), QStringLiteral("In Date"), QStringLiteral("In Time"),
             QStringLiteral("Out Date"), QStringLiteral("Out Time"), QStringLiteral("Hours")});
    for (const PunchPairFigures& p : figures.pairs) {
        csv += Row({p.name, IsoDate(p.in.date()), IsoTime(p.in), IsoDate(p.out.date()),
                    IsoTime(p.out), Number(p.hours)});
    }
    return csv.toUtf8();
}

QString PunchesPath(const QString& payrollPath)
{
    const QFileInfo info(payrollPath);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? payrollPath : payrollPath.chopped(suffix.size() + 1);
    return base + QStringLiteral("-punches.") + (suffix.isEmpty() ? QStringLiteral("csv") : suffix);
}

QList<OutputFile> Files(const ReportFigures& figures, const QString& payrollPath, bool withPunches)
{
    QList<OutputFile> files{{payrollPath, Payroll(figures)}};
    if (withPunches && figures.timeCard)
        files.append({PunchesPath(payrollPath), Punches(figures)});
    return files;
}

IoResult Save(const ReportFigures& figures, const QString& payrollPath, bool withPunches)
{
    return WriteOutputFiles(Files(figures, payrollPath, withPunches));
}

} // namespace ReportCsv
