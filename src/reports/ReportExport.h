#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;
struct ReportTexts;

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

// The folder Save As starts in: the user's documents folder when it exists, else his home.
QString ReportSaveFolder();

// The PDF file Save As proposes in ReportSaveFolder(): the report's title and its pay period
// ("Time Card - Ann Lee - 2026-11-01 to 2026-11-14.pdf"), or the day of a list without one,
// without the characters a file name may not hold on the common file systems.
QString ProposedReportPath(const ReportTexts& report, const QDate& today);

// What the user is told after a save: every file written, with its path.
QString SavedFilesMessage(const QStringList& paths);

// Asks for the file to save a report in, starting at proposed; empty when cancelled. *filter
// receives the chosen filter. Tests install their own asker to answer without a modal dialog.
using ReportFileAsker =
    std::function<QString(QWidget* parent, const QString& proposed, QString* filter)>;
QString AskReportFileName(QWidget* parent, const QString& proposed, QString* filter);
// The same for another kind of file: the dialog's title and the filters it offers, the first
// chosen at the start.
QString AskSaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                        const QString& proposed, QString* filter);
void SetReportFileAskerForTesting(ReportFileAsker asker); // empty restores the file dialog
