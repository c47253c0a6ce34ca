#pragma once

#include "data/EmployeeList.h"
#include "data/Result.h"
#include "payroll/ReportTexts.h"
#include "punch/PunchStore.h"
#include "timecalc/clsTime.h"

#include <QList>

// The payroll report of all employees, or of one shift.
struct MultipleReportInput
{
    QList<EmployeeRecord> employees; // the employee list in file order; any number
    int shift = 0;                   // 0: all employees; 1 … 9: the employees of that shift
    ReportOptions options;
};

// "All Employees" for shift 0, "Shift k Employees" otherwise: the items of the shift list too.
QString ShiftSelectionText(int shift);

// An employee with a name belongs to the report of shift 0 and of his own shift.
bool IsSelectedForShift(const EmployeeRecord& employee, int shift);

// "There are no employees for this shift"
QString NoEmployeesForShiftMessage();

// Builds the texts one employee at a time, so that the time objects of one employee can be
// released before the next is read. Touches no file.
class MultipleReportBuilder
{
public:
    MultipleReportBuilder(int shift, const ReportOptions& options);

    // Appends the employee's block, with regular and overtime hours from time.
    void addEmployee(const EmployeeRecord& employee, const clsTime& time);
    int EmployeeCount() const { return int(m_figures.size()); }
    // The three texts, IsMultipleReport true.
    ReportTexts Finish() const;

private:
    int m_shift;
    ReportOptions m_options;
    OvertimeRule m_rule;
    QString m_detail;
    float m_regular = 0;
    float m_overtime = 0;
    float m_earnings = 0;
    bool m_attention = false;
    QList<EmployeeFigures> m_figures;
};

// What the Create button does: checks the pay period, reads the punches of every selected
// employee from the store (name trimmed, times rounded by the settings' TimeRounding) and builds
// the texts. Fails with the pay-period message, with no employee in the shift, or with what
// could not be read. Without a store, from the data folder's time files.
Result<ReportTexts> CreateMultipleReport(const MultipleReportInput& input, PunchStore& store);
Result<ReportTexts> CreateMultipleReport(const MultipleReportInput& input);
