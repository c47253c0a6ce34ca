#pragma once

#include "data/EmployeeList.h"
#include "data/Result.h"
#include "payroll/ReportTexts.h"
#include "punch/PunchStore.h"
#include "timecalc/clsTime.h"

enum class SingleReportStyle {
    DailyHours, // one line per working day with its hours
    TimeCard,   // one line per IN/OUT pair with the exact punches
};

// The payroll report of one employee.
struct SingleReportInput
{
    QString employeeName;    // the name as listed: reported, and the name of the time file
    EmployeeRecord employee; // SSN, RegularRate and OvertimeRate as stored (empty when not found)
    SingleReportStyle style = SingleReportStyle::DailyHours;
    ReportOptions options;
};

// The three texts of the report from the employee's time objects, without touching any file.
// IsMultipleReport is false.
ReportTexts BuildSingleReport(const SingleReportInput& input, const clsTime& time);

// What the Create button does: checks the pay period, reads the employee's punches from the
// store (rounded by the settings' TimeRounding) and builds the texts. Fails with the pay-period
// message, or with why the punches could not be read. Without a store, from the data folder's
// time file.
Result<ReportTexts> CreateSingleReport(const SingleReportInput& input, PunchStore& store);
Result<ReportTexts> CreateSingleReport(const SingleReportInput& input);
