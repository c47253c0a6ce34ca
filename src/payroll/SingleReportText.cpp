#include "payroll/SingleReportText.h"

#include "data/TimeFile.h"
#include "payroll/PayPeriod.h"
#include "timecalc/TimeManipulation.h"

using namespace ReportFormat;

namespace {

struct Detail
{
    QString text;
    bool attention = false; // a day of more than 24 hours
};

Detail DailyHoursDetail(const clsTime& time, const RegionalFormats& formats)
{
    Detail detail;
    detail.text = LeftIn(29, QStringLiteral("Date")) + LeftIn(14, QStringLiteral("Hours Worked")) +
                  LineEnd + LineEnd;
    for (int w = 1; w <= time.NbrWeeks(); ++w) {
        const clsWeek& week = time.Week(w);
        for (int d = 1; d <= week.NbrDays(); ++d) {
            const clsDay& day = week.Day(d);
            const QDate date = day.FirstPeriodDateIn();
            detail.text += LeftIn(13, formats.locale.toString(date, QStringLiteral("MMMM"))) +
                           RightIn(5, formats.locale.toString(date, QStringLiteral("dd, yyyy"))) +
                           QString(8, u' ') + RightIn(6, Hours(day.DayHours()));
            if (day.Error()) {
                detail.text += ErrorMark;
                detail.attention = true;
            }
            detail.text += LineEnd;
        }
        detail.text += LineEnd;
    }
    return detail;
}

QString PunchText(const QDateTime& punch, const QString& timeFormat, const RegionalFormats& formats)
{
    return LeftIn(12, ShortDate(punch.date(), formats)) +
           LeftIn(8, FormatTimeOfDay(punch.time(), timeFormat));
}

Detail TimeCardDetail(const clsTime& time, const QString& timeFormat,
                      const RegionalFormats& formats)
{
    Detail detail;
    detail.text = LeftIn(25, QStringLiteral("In Date & Time")) +
                  LeftIn(21, QStringLiteral("Out Date & Time")) + QStringLiteral("Hours Worked") +
                  LineEnd + LineEnd;
    for (int w = 1; w <= time.NbrWeeks(); ++w) {
        const clsWeek& week = time.Week(w);
        for (const PunchPairFigures& pair : PunchPairsOf(QString(), week)) {
            detail.text += PunchText(pair.in, timeFormat, formats) + QString(5, u' ') +
                           PunchText(pair.out, timeFormat, formats) + QString(6, u' ') +
                           RightIn(7, Hours(pair.hours)) + LineEnd;
        }
        detail.attention = week.Error() || detail.attention;
        detail.text += LineEnd;
    }
    return detail;
}

QString Header(const SingleReportInput& input)
{
    const ReportOptions& o = input.options;
    QString header;
    if (o.includeAddress)
        header += CompanyBlock(o.settings.Company, o.settings.Address);
    header += QStringLiteral("Employee Name:    ") + input.employeeName + LineEnd;
    header += QStringLiteral("Payroll period:   ") + ShortDate(o.from, o.formats) +
              QStringLiteral(" To ") + ShortDate(o.to, o.formats) + LineEnd;
    if (o.includeSsn)
        header += QStringLiteral("SSN:              ") + input.employee.SSN + LineEnd;
    header += Rule() + LineEnd + LineEnd;
    return header;
}

// "Regular Time:     40.00 hours @      $15.00 =      $600.00"
QString PayLine(const QString& label, float hours, float rate, const RegionalFormats& formats)
{
    const float amount = hours * rate; // single precision, as shown
    return label + RightIn(6, Hours(hours)) + QStringLiteral(" hours @ ") +
           RightIn(11, Money(rate, formats)) + QStringLiteral(" = ") +
           RightIn(12, Money(amount, formats)) + LineEnd;
}

QString Summary(const EmployeeFigures& figures, bool attention, const RegionalFormats& formats)
{
    QString summary = Rule() + LineEnd;
    summary += PayLine(QStringLiteral("Regular Time:    "), figures.regularHours,
                       figures.regularRate, formats);
    summary += PayLine(QStringLiteral("Over Time:       "), figures.overtimeHours,
                       figures.overtimeRate, formats);
    summary += Rule() + LineEnd;
    summary += QStringLiteral("Gross Earnings:  ") + RightIn(41, Money(figures.gross, formats));
    if (attention)
        summary += LineEnd + LineEnd + AttentionNote();
    return summary;
}

} // namespace

ReportTexts BuildSingleReport(const SingleReportInput& input, const clsTime& time)
{
    const ReportOptions& o = input.options;
    const Detail detail = input.style == SingleReportStyle::TimeCard
                              ? TimeCardDetail(time, o.settings.timeFormat(), o.formats)
                              : DailyHoursDetail(time, o.formats);
    const EmployeeFigures figures =
        EmployeeFigures::of(input.employeeName, input.employee, time, OvertimeRule::of(o.settings));
    ReportTexts texts;
    texts.ReportHeader = Header(input);
    texts.ReportDetail = detail.text;
    texts.ReportSummary = Summary(figures, detail.attention, o.formats);
    texts.IsMultipleReport = false;
    texts.Title = (input.style == SingleReportStyle::TimeCard ? QStringLiteral("Time Card - ")
                                                              : QStringLiteral("Daily Hours - ")) +
                  input.employeeName;
    texts.Figures.from = o.from;
    texts.Figures.to = o.to;
    texts.Figures.includeSsn = o.includeSsn;
    texts.Figures.employees = {figures};
    if (input.style == SingleReportStyle::TimeCard) {
        texts.Figures.timeCard = true;
        texts.Figures.pairs = PunchPairsOf(input.employeeName, time);
    }
    return texts;
}

Result<ReportTexts> CreateSingleReport(const SingleReportInput& input, PunchStore& store)
{
    const ReportOptions& o = input.options;
    if (!IsValidPayPeriod(o.from, o.to))
        return Failure(PayPeriodMessage());
    std::optional<ReportTexts> texts;
    const Result<> read = store.payPeriods(
        {input.employeeName}, o.from, o.to, o.settings.timeRoundingValue(), o.zone,
        [&](qsizetype, const clsTime& time) { texts = BuildSingleReport(input, time); });
    if (read.failed())
        return read.error();
    return *texts;
}

Result<ReportTexts> CreateSingleReport(const SingleReportInput& input)
{
    return CreateSingleReport(input, DataFolderPunches());
}
