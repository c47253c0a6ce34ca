#include "payroll/MultipleReportText.h"

#include "data/TimeFile.h"
#include "payroll/PayPeriod.h"
#include "timecalc/TimeManipulation.h"

using namespace ReportFormat;

namespace {

constexpr int NameWidth = 18;
constexpr int SsnWidth = 11;

// "A. Sample                40.00       2.50         $350.00": 18 + 12 + 11 + 16 characters.
QString HoursLine(const QString& label, float regular, float overtime, float earnings,
                  const RegionalFormats& formats)
{
    return label + RightIn(12, Hours(regular)) + RightIn(11, Hours(overtime)) +
           RightIn(16, Money(earnings, formats));
}

} // namespace

QString ShiftSelectionText(int shift)
{
    if (shift == 0)
        return QStringLiteral("All Employees");
    return QStringLiteral("Shift %1 Employees").arg(shift);
}

bool IsSelectedForShift(const EmployeeRecord& employee, int shift)
{
    if (employee.Name.trimmed().isEmpty())
        return false;
    return shift == 0 || int(LeadingDecimalNumber(employee.Shift)) == shift;
}

QString NoEmployeesForShiftMessage()
{
    return QStringLiteral("There are no employees for this shift");
}

MultipleReportBuilder::MultipleReportBuilder(int shift, const ReportOptions& options)
    : m_shift(shift), m_options(options), m_rule(OvertimeRule::of(options.settings))
{
}

void MultipleReportBuilder::addEmployee(const EmployeeRecord& employee, const clsTime& time)
{
    const EmployeeFigures f = EmployeeFigures::of(employee.Name.trimmed(), employee, time, m_rule);
    // The earnings stay unrounded: only their display is rounded, so the total may differ by a
    // cent.
    m_detail += HoursLine(Exactly(NameWidth, employee.Name), f.regularHours, f.overtimeHours,
                          f.gross, m_options.formats);
    if (f.over24) {
        m_detail += ErrorMark;
        m_attention = true;
    }
    m_detail += LineEnd;
    m_detail +=
        QStringLiteral("Reg: ") + RightIn(7, Money(f.regularRate, m_options.formats)) + LineEnd;
    m_detail +=
        QStringLiteral("OT:  ") + RightIn(6, Money(f.overtimeRate, m_options.formats)) + LineEnd;
    if (m_options.includeSsn)
        m_detail += QStringLiteral("SSN: ") + Exactly(SsnWidth, employee.SSN) + LineEnd;
    m_detail += LineEnd;

    m_regular += f.regularHours;
    m_overtime += f.overtimeHours;
    m_earnings += f.gross;
    m_figures.append(f);
}

ReportTexts MultipleReportBuilder::Finish() const
{
    const ReportOptions& o = m_options;
    ReportTexts texts;
    QString& header = texts.ReportHeader;
    if (o.includeAddress)
        header += CompanyBlock(o.settings.Company, o.settings.Address);
    header += QStringLiteral("Payroll report for:     ") + ShiftSelectionText(m_shift) + LineEnd;
    header += QStringLiteral("Payroll period:         ") + ShortDate(o.from, o.formats) +
              QStringLiteral(" To ") + ShortDate(o.to, o.formats) + LineEnd + LineEnd;
    header += Rule() + LineEnd;
    header += QStringLiteral("Employee Name           Regular    Overtime    Gross") + LineEnd;
    header += QStringLiteral("                        Hours      Hours       Earnings") + LineEnd;
    header += Rule() + LineEnd + LineEnd;

    texts.ReportDetail = m_detail;

    QString& summary = texts.ReportSummary;
    summary = Rule() + LineEnd;
    summary += HoursLine(QStringLiteral("Total:            "), m_regular, m_overtime, m_earnings,
                         o.formats) +
               LineEnd;
    summary += Rule();
    if (m_attention)
        summary += LineEnd + LineEnd + AttentionNote();
    texts.IsMultipleReport = true;
    texts.Title = QStringLiteral("Payroll - ") + ShiftSelectionText(m_shift);
    texts.Figures.from = o.from;
    texts.Figures.to = o.to;
    texts.Figures.includeSsn = o.includeSsn;
    texts.Figures.employees = m_figures;
    return texts;
}

Result<ReportTexts> CreateMultipleReport(const MultipleReportInput& input, PunchStore& store)
{
    const ReportOptions& o = input.options;
    if (!IsValidPayPeriod(o.from, o.to))
        return Failure(PayPeriodMessage());
    QList<const EmployeeRecord*> selected;
    QStringList names;
    for (const EmployeeRecord& employee : input.employees) {
        if (!IsSelectedForShift(employee, input.shift))
            continue;
        selected.append(&employee);
        names.append(employee.Name.trimmed());
    }
    MultipleReportBuilder builder(input.shift, o);
    const Result<> read = store.payPeriods(
        names, o.from, o.to, o.settings.timeRoundingValue(), o.zone,
        [&](qsizetype i, const clsTime& time) { builder.addEmployee(*selected.at(i), time); });
    if (read.failed())
        return read.error();
    if (input.shift != 0 && builder.EmployeeCount() == 0)
        return Failure(NoEmployeesForShiftMessage());
    return builder.Finish();
}

Result<ReportTexts> CreateMultipleReport(const MultipleReportInput& input)
{
    return CreateMultipleReport(input, DataFolderPunches());
}
