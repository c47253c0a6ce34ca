#pragma once

#include <QString>

#include <functional>

class QWidget;

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
