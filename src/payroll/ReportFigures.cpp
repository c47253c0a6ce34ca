#include "payroll/ReportFigures.h"

#include "data/OptionsRecord.h"
#include "payroll/ReportFormat.h"

EmployeeFigures EmployeeFigures::of(const QString& name, const EmployeeRecord& employee,
                                    const clsTime& time, const OvertimeRule& rule)
{
    EmployeeFigures f;
    f.name = name;
    f.ssn = employee.SSN;
    f.shift = int(LeadingDecimalNumber(employee.Shift));
    f.regularRate = ReportFormat::RateValue(employee.RegularRate);
    f.overtimeRate = ReportFormat::RateValue(employee.OvertimeRate);
    // RegularHours is TotalHours less OvertimeHours; asking once for each spares two passes.
    f.overtimeHours = time.OvertimeHours(rule);
    f.regularHours = time.TotalHours() - f.overtimeHours;
    f.gross =
        float(double(f.regularHours) * f.regularRate + double(f.overtimeHours) * f.overtimeRate);
    f.over24 = time.Error();
    return f;
}

QList<PunchPairFigures> PunchPairsOf(const QString& name, const clsWeek& week)
{
    QList<PunchPairFigures> pairs;
    for (int d = 1; d <= week.NbrDays(); ++d) {
        const clsDay& day = week.Day(d);
        for (int p = 1; p <= day.NbrPeriods(); ++p) {
            const clsPeriod& period = day.Period(p);
            pairs.append(PunchPairFigures{name, period.m_In, period.m_Out, period.Hours()});
        }
    }
    return pairs;
}

QList<PunchPairFigures> PunchPairsOf(const QString& name, const clsTime& time)
{
    QList<PunchPairFigures> pairs;
    for (int w = 1; w <= time.NbrWeeks(); ++w)
        pairs += PunchPairsOf(name, time.Week(w));
    return pairs;
}
