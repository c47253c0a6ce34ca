#include "reports/PrintRichText.h"

#include "platform/PrintTextPages.h"
#include "platform/Printers.h"

#include <QPrinter>
#include <QTextEdit>

bool PrintRichText(const QTextEdit* box, int leftMargin, int topMargin, int rightMargin,
                   int bottomMargin)
{
    const QString printer = CurrentPrinter();
    if (printer.isEmpty())
        return false;
    std::unique_ptr<QPrinter> job = CurrentPrinterSystem().NewJob(printer);
    job->setDocName(QStringLiteral("Payroll Report"));
    job->setCopyCount(1);
    return PrintTextPages(*job, box->toPlainText(), box->font(),
                          PrintMargins{leftMargin, topMargin, rightMargin, bottomMargin});
}
