#pragma once

#include "data/OutputFiles.h"
#include "payroll/ReportFigures.h"

#include <QByteArray>
#include <QString>

// A payroll report as CSV files for spreadsheets, accountants and payroll imports: RFC 4180
// (comma, CR LF, quotes where a field needs them), UTF-8 without a byte-order mark, ISO dates and
// numbers with a dot and two decimals, so that they read the same in every locale.
namespace ReportCsv {

// One header row, then one row per employee: name, SSN (when the report shows it), shift,
// first and last day, regular and overtime hours, both rates, gross earnings, and 1 or 0 for a
// day of more than 24 hours.
QByteArray Payroll(const ReportFigures& figures);

// One header row, then one row per IN/OUT pair of a time card: name, IN date and time, OUT date
// and time, hours.
QByteArray Punches(const ReportFigures& figures);

// The pairs of a time card go to a file of their own beside the payroll file, because an
// importer expects one table per file: "payroll.csv" puts them in "payroll-punches.csv".
QString PunchesPath(const QString& payrollPath);

// The payroll file and, for a time card with withPunches, the punches file, with their bytes.
QList<OutputFile> Files(const ReportFigures& figures, const QString& payrollPath, bool withPunches);

// Writes Files(): both are written and flushed before either replaces its old file, so the two
// always match.
IoResult Save(const ReportFigures& figures, const QString& payrollPath, bool withPunches);

// A field quoted when it holds a comma, a quote or a line break, with its quotes doubled; a
// text that a spreadsheet would take for a formula (=, +, -, @, tab or CR first, and not a plain
// number) starts with an apostrophe.
QString Field(const QString& text);
// "1234.50", "0.50", "-1.25": never a thousands separator, never a negative zero.
QString Number(float value);

} // namespace ReportCsv
