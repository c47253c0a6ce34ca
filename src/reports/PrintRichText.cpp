#include "reports/PrintRichText.h"

#include "platform/PrintTextPages.h"
#include "platform/Printers.h"

#include <QPrinter>
#include <QTextEdit>

Result<> PrintRichText(const QTextEdit* box, const QString& jobName, int leftMargin, int topMargin,
                       int rightMargin, int bottomMargin)
{
    const QString printer = CurrentPrinter();
    if (printer.isEmpty())
        return Failure(QStringLiteral("no printer is installed"));
    std::unique_ptr<QPrinter> job = CurrentPrinterSystem().NewJob(printer);
    // Qt falls back to a PDF file without a name when the print server does not know the printer.
    if (job->outputFormat() != QPrinter::NativeFormat && job->outputFileName().isEmpty())
        return Failure(QStringLiteral("the printer cannot be reached"));
    job->setDocName(jobName);
    job->setCopyCount(1);
    if (!PrintTextPages(*job, box->toPlainText(), box->font(),
                        PrintMargins{leftMargin, topMargin, rightMargin, bottomMargin}))
        return Failure(QStringLiteral("the print job could not be started or finished"));
    if (job->outputFormat() == QPrinter::NativeFormat)
        return PrintServerAccepted();
    return Result<>();
}
