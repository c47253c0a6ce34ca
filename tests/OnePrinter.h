#pragma once

#include "platform/Printers.h"

#include <QPrinter>

#include <memory>

// One installed printer, so that the print dialog opens in its usual state.
class OnePrinter final : public PrinterSystem
{
public:
    QStringList InstalledPrinters() override { return {QStringLiteral("Office Laser Printer")}; }
    QString DefaultPrinter() override { return InstalledPrinters().constFirst(); }
    bool ShowProperties(const QString&, QWidget*) override { return true; }
    std::unique_ptr<QPrinter> NewJob(const QString&) override
    {
        return std::make_unique<QPrinter>();
    }
};
