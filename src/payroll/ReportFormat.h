#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

// The regional formats a report is written with: month names and money from the locale, dates in
// its short format with a four-digit year.
struct RegionalFormats
{
    QLocale locale;
    QString shortDateFormat;

    // The program's regional formats (the system's, en_US where it has none).
    static RegionalFormats current();
    static RegionalFormats of(const QLocale& locale);
};

// Report lines end with CR LF; columns are aligned with spaces for a fixed-pitch font.
namespace ReportFormat {

inline const QString LineEnd = QStringLiteral("\r\n");

// A value left- or right-aligned in a field of width characters. A longer value is written
// whole and widens the line.
QString LeftIn(int width, const QString& value);
QString RightIn(int width, const QString& value);
// Cut or padded to exactly width characters.
QString Exactly(int width, const QString& value);

// Hours as "###.00": two decimals, no thousands separator, no digit before the point below 1
// (8.5 → "8.50", 0.5 → ".50", 0 → ".00").
QString Hours(float hours);
// Money in the regional currency format with two decimals ("$1,234.50" in the United States).
QString Money(double amount, const RegionalFormats& formats);
QString ShortDate(QDate date, const RegionalFormats& formats);

// 60 "=" characters, without a line end.
QString Rule();
// The company's name and address as stored in the settings, padding kept, and an empty line.
QString CompanyBlock(const QString& company, const QString& address);
// The note that closes a report with a day of more than 24 hours.
QString AttentionNote();
// The mark at the end of a line whose hours include a day of more than 24 hours.
inline const QString ErrorMark = QStringLiteral(" ***");

// The numeric value of a rate text: its leading decimal number, 0 when there is none.
float RateValue(const QString& text);

} // namespace ReportFormat
