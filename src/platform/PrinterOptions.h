#pragma once

#include <QDialog>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

class QComboBox;

// What may be chosen for one printer, from what the printer itself offers. The report's margins
// are fixed at one inch, so none are offered.
struct PrinterOptions
{
    QPageSize paper;
    QPrinter::DuplexMode duplex = QPrinter::DuplexNone;
    int resolution = 0; // dots per inch; 0: the printer's own

    // The printer's own defaults.
    static PrinterOptions of(const QPrinterInfo& printer);
};

// Gives a job on the printer the chosen options.
void ApplyPrinterOptions(const PrinterOptions& options, QPrinter* job);

// The printer's options: its papers, and two-sided printing and resolutions where it has a
// choice of them. Only choices that reach the printed job are shown.
class PrinterOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    PrinterOptionsDialog(const QPrinterInfo& printer, const PrinterOptions& current,
                         QWidget* parent = nullptr);

    // What is shown as chosen.
    PrinterOptions Chosen() const;

    QComboBox* cboPaper;
    QComboBox* cboSides;      // nullptr when the printer prints one-sided only
    QComboBox* cboResolution; // nullptr when the printer has one resolution

private:
    PrinterOptions m_current;
};
