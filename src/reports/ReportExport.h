#pragma once

#include "data/FileStore.h"

#include <QByteArray>
#include <QLocale>
#include <QPageSize>
#include <QString>

#include <functional>

class QWidget;

// A report saved as a PDF file, laid out as it is printed: the report font, one-inch margins
// from the paper's edge and the printer's page breaks.
QByteArray ReportPdf(const QString& text, const QPageSize& paper);
IoResult SaveReportPdf(const QString& path, const QString& text, const QPageSize& paper);

// The paper of the regional formats: Letter where the locale measures in US units, A4 elsewhere.
QPageSize RegionalPaper(const QLocale& locale);

// The file the user chose for "Save As ...", and what it is to hold.
struct ReportFile
{
    enum class Format { Pdf, Csv };
    QString path;
    Format format = Format::Pdf;
};

inline const QString PdfFilter = QStringLiteral("PDF files (*.pdf)");
inline const QString CsvFilter = QStringLiteral("CSV files (*.csv)");

// A name ending in .pdf or .csv says what it holds; any other name gets the suffix of the
// chosen filter.
ReportFile ReportFileFor(const QString& chosen, const QString& filter);

// Asks for the file to save a report in; empty when cancelled. *filter receives the chosen
// filter. Tests install their own asker to answer without a modal dialog.
using ReportFileAsker = std::function<QString(QWidget* parent, QString* filter)>;
QString AskReportFileName(QWidget* parent, QString* filter);
void SetReportFileAskerForTesting(ReportFileAsker asker); // empty restores the file dialog
