#include "payroll/ReportFormat.h"

#include "data/Environment.h"
#include "data/OptionsRecord.h"

RegionalFormats RegionalFormats::current()
{
    return of(Environment::regionalLocale());
}

RegionalFormats RegionalFormats::of(const QLocale& locale)
{
    return {locale, Environment::shortDateFormat(locale)};
}

namespace ReportFormat {

QString LeftIn(int width, const QString& value)
{
    return value.leftJustified(width, u' ');
}

QString RightIn(int width, const QString& value)
{
    return value.rightJustified(width, u' ');
}

QString Exactly(int width, const QString& value)
{
    return value.leftJustified(width, u' ', true);
}

QString Hours(float hours)
{
    QString text = QString::number(double(hours), 'f', 2);
    if (text == QLatin1String("-0.00"))
        text.remove(0, 1); // a tiny negative sum shows as nothing, not as a negative zero
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

QString Money(double amount, const RegionalFormats& formats)
{
    return formats.locale.toCurrencyString(amount, formats.locale.currencySymbol(), 2);
}

QString ShortDate(QDate date, const RegionalFormats& formats)
{
    return formats.locale.toString(date, formats.shortDateFormat);
}

QString Rule()
{
    return QString(60, u'=');
}

QString CompanyBlock(const QString& company, const QString& address)
{
    return company + LineEnd + address + LineEnd + LineEnd;
}

QString AttentionNote()
{
    return QStringLiteral(
        "*** Attention: This employee was punched in for more than 24 hours at least once. It "
        "doesn't seem realistic. It is possible that his earnings were miscalculated because he "
        "forgot to punch out on time. Please talk to the employee and if necessary, correct the "
        "hours manually.");
}

float RateValue(const QString& text)
{
    return float(LeadingDecimalNumber(text));
}

} // namespace ReportFormat
