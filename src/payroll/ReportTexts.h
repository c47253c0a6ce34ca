#pragma once

#include "data/ClockZone.h"
#include "data/OptionsRecord.h"
#include "payroll/ReportFigures.h"
#include "payroll/ReportFormat.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

// A finished payroll report as the report window shows and prints it: three blocks of plain
// text with CR LF line ends, for a fixed-pitch font.
struct ReportTexts
{
    ReportTexts() = default;
    // The texts alone, without figures behind them.
    ReportTexts(QString header, QString detail, QString summary, bool multiple)
        : ReportHeader(std::move(header)), ReportDetail(std::move(detail)),
          ReportSummary(std::move(summary)), IsMultipleReport(multiple)
    {
    }

    QString ReportHeader;  // optional company block, title lines, column heads
    QString ReportDetail;  // single report: days or punches; multiple report: employee blocks
    QString ReportSummary; // totals, then the attention note when a day exceeded 24 hours
    bool IsMultipleReport = false;
    // What the report is about ("Time Card - Ann Lee"): the start of the file name Save As
    // proposes.
    QString Title;
    // The numbers the texts were written from, for the exports.
    ReportFigures Figures;
    // A list that is no payroll (who is in) brings its own CSV file for Save As.
    QByteArray Csv;

    bool isPayroll() const { return Csv.isEmpty(); }
    // The caption of its window and the name of its print job: a list goes by its own title.
    QString name() const { return isPayroll() ? QStringLiteral("Payroll Report") : Title; }

    // With the punching dates and times (the detail), and without them.
    QString fullText() const { return ReportHeader + ReportDetail + ReportSummary; }
    QString shortText() const { return ReportHeader + ReportSummary; }
};

// What both reports take besides the employees: the pay period (first and last day, both
// included), the two options, and what the text is written with.
struct ReportOptions
{
    QDate from;
    QDate to;
    bool includeSsn = false;
    bool includeAddress = false;
    // Company, Address, TimeFormat, TimeRounding and the overtime rule are read from here: the
    // settings the report is made with, as the caller hands them over.
    OptionsRecord settings;
    RegionalFormats formats = RegionalFormats::current();
    // The time zone of the punch clock, for nights across a daylight-saving change: the data
    // folder's, wherever the report runs.
    QTimeZone zone = ClockZone();
};
