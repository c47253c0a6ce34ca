#include "platform/Printers.h"

#include "platform/PrinterOptions.h"

#include <QHash>
#include <QPrinter>
#include <QPrinterInfo>

#include <dlfcn.h>

namespace {

// Qt's printers: CUPS queues on Linux. The options chosen in a printer's dialog are kept for
// the rest of the run and applied to every later job on it.
class QtPrinterSystem final : public PrinterSystem
{
public:
    QStringList InstalledPrinters() override { return QPrinterInfo::availablePrinterNames(); }

    QString DefaultPrinter() override { return QPrinterInfo::defaultPrinterName(); }

    bool ShowProperties(const QString& name, QWidget* parent) override
    {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (name.isEmpty() || info.isNull())
            return false;
        PrinterOptionsDialog dialog(info, m_options.value(name, PrinterOptions::of(info)), parent);
        if (dialog.exec() == QDialog::Accepted)
            m_options.insert(name, dialog.Chosen());
        return true;
    }

    std::unique_ptr<QPrinter> NewJob(const QString& name) override
    {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setPrinterName(name);
        const auto chosen = m_options.constFind(name);
        if (chosen != m_options.constEnd())
            ApplyPrinterOptions(*chosen, printer.get());
        return printer;
    }

private:
    QHash<QString, PrinterOptions> m_options;
};

PrinterSystem* g_testSystem = nullptr;
QString g_chosenPrinter;

} // namespace

PrinterSystem& CurrentPrinterSystem()
{
    if (g_testSystem)
        return *g_testSystem;
    static QtPrinterSystem system;
    return system;
}

void SetPrinterSystemForTesting(PrinterSystem* system)
{
    g_testSystem = system;
}

QString CurrentPrinter()
{
    PrinterSystem& system = CurrentPrinterSystem();
    const QStringList installed = system.InstalledPrinters();
    if (installed.isEmpty())
        return QString();
    if (installed.contains(g_chosenPrinter))
        return g_chosenPrinter;
    const QString byDefault = system.DefaultPrinter();
    if (installed.contains(byDefault))
        return byDefault;
    return installed.first();
}

void SetCurrentPrinter(const QString& name)
{
    g_chosenPrinter = name;
}

void ResetCurrentPrinterForTesting()
{
    g_chosenPrinter.clear();
}

IoResult PrintServerAccepted()
{
    // Qt hands a finished job to CUPS and drops the answer; CUPS keeps the status of the last
    // request of this thread, which is that job's.
    void* cups = dlopen("libcups.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!cups)
        return IoResult::success();
    using Status = int (*)();
    using StatusText = const char* (*)();
    const auto status = reinterpret_cast<Status>(dlsym(cups, "cupsLastError"));
    const auto text = reinterpret_cast<StatusText>(dlsym(cups, "cupsLastErrorString"));
    constexpr int FirstIppError = 0x0400; // client-error-bad-request: below it, success
    IoResult accepted;
    if (status && text && status() >= FirstIppError)
        accepted = IoResult::failure(QStringLiteral("the print server did not accept the job (%1)")
                                         .arg(QString::fromUtf8(text())));
    dlclose(cups);
    return accepted;
}
