#pragma once

#include "data/Result.h"

#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
class QWidget;

// The installed printers as the platform lists them. The default asks Qt (CUPS on Linux);
// tests install their own to have no printer, or several.
class PrinterSystem
{
public:
    virtual ~PrinterSystem() = default;

    // Device names of the installed printers, in the platform's order.
    virtual QStringList InstalledPrinters() = 0;
    // The system's default printer; empty when it has none.
    virtual QString DefaultPrinter() = 0;
    // Opens the printer's own options (its papers, two-sided printing, resolutions), modal over
    // parent; what is chosen holds for every later job on it in this run. False when the printer
    // cannot be opened.
    virtual bool ShowProperties(const QString& name, QWidget* parent) = 0;
    // A printer object for one job on the named printer, with the options chosen for it.
    virtual std::unique_ptr<QPrinter> NewJob(const QString& name) = 0;
};

PrinterSystem& CurrentPrinterSystem();
// Replaces the printer system (tests); nullptr restores the platform's. The caller keeps
// ownership.
void SetPrinterSystemForTesting(PrinterSystem* system);

// The program's current printer: the one chosen last in this run while it is installed,
// otherwise the system's default, otherwise the first installed printer (a system without a
// default must still be able to print); empty when no printer is installed.
QString CurrentPrinter();
void SetCurrentPrinter(const QString& name);
void ResetCurrentPrinterForTesting();

// Whether the print server accepted the job handed to it last on this thread (or no print server
// was asked); fails with "the print server did not accept the job (its reason)" when it refused.
IoResult PrintServerAccepted();
