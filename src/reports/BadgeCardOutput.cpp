#include "reports/BadgeCardOutput.h"

#include "data/Environment.h"
#include "data/OutputFiles.h"
#include "platform/PrintedJobPurge.h"
#include "platform/Printers.h"
#include "render/ReportPdf.h"
#include "reports/ReportExport.h"
#include "reports/frmPrintDialog.h"
#include "reports/frmReport.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPrinter>

namespace {

// Ten cards fit on Letter and on A4; any other paper gets the region's.
QPageSize CardPaper(const QPageSize& offered)
{
    if (offered.id() == QPageSize::Letter || offered.id() == QPageSize::A4)
        return offered;
    return RegionalPaper(Environment::regionalLocale());
}

IoResult PrintCardsOnce(const QList<BadgeCard>& cards, const QString& printer)
{
    std::unique_ptr<QPrinter> job = CurrentPrinterSystem().NewJob(printer);
    if (job->outputFormat() != QPrinter::NativeFormat && job->outputFileName().isEmpty())
        return IoResult::failure(QStringLiteral("the printer cannot be reached"));
    job->setDocName(QStringLiteral("Badges"));
    job->setCopyCount(1);
    job->setFullPage(true);
    job->setPageSize(CardPaper(job->pageLayout().pageSize()));
    QPainter painter;
    if (!painter.begin(job.get()))
        return IoResult::failure(QStringLiteral("the print job could not be started"));
    const IoResult painted = PaintBadgeCards(painter, *job, cards);
    if (!painted) {
        job->abort();
        return painted;
    }
    if (!painter.end() || job->printerState() == QPrinter::Error)
        return IoResult::failure(QStringLiteral("the print job could not be finished"));
    if (job->outputFormat() != QPrinter::NativeFormat)
        return IoResult::success();
    const IoResult accepted = PrintServerAccepted();
    // The sheet's codes must not stay in the spooler once they are on paper.
    if (accepted)
        PrintedJobPurge::purgeOncePrinted(printer, job->docName());
    return accepted;
}

IoResult PrintCards(const QList<BadgeCard>& cards, QWidget* parent, bool* done)
{
    QLabel copies;
    frmPrintDialog dialog(&copies, parent);
    dialog.exec();
    if (!dialog.PrintConfirmed)
        return IoResult::success();
    const QString printer = CurrentPrinter();
    const int count = CopiesFromCaption(copies.text());
    for (int copy = 1; copy <= count; ++copy) {
        if (const IoResult printed = PrintCardsOnce(cards, printer); !printed)
            return IoResult::failure(
                QStringLiteral("The badges were not printed on the printer \"%1\" (copy %2 of "
                               "%3): %4.")
                    .arg(printer)
                    .arg(copy)
                    .arg(count)
                    .arg(printed.error));
        *done = true;
    }
    return IoResult::success();
}

IoResult SaveCardsPdf(const QList<BadgeCard>& cards, QWidget* parent, bool* done)
{
    QString filter = PdfFilter;
    const QString proposed =
        QDir(ReportSaveFolder())
            .filePath(QStringLiteral("Badges %1.pdf")
                          .arg(Environment::now().date().toString(Qt::ISODate)));
    const QString chosen =
        AskSaveFileName(parent, QStringLiteral("Save Badges As"), {PdfFilter}, proposed, &filter);
    if (chosen.isEmpty())
        return IoResult::success();
    const QString path = ReportFileFor(chosen, PdfFilter).path;
    QByteArray pdf;
    if (const IoResult laidOut =
            BadgeCardsPdf(cards, RegionalPaper(Environment::regionalLocale()), &pdf);
        !laidOut)
        return IoResult::failure(QStringLiteral("The badges were not saved in \"%1\": %2.")
                                     .arg(QDir::toNativeSeparators(path), laidOut.error));
    const IoResult saved = WriteOutputFiles({{path, pdf}});
    *done = bool(saved);
    return saved;
}

} // namespace

IoResult OutputBadgeCards(const QList<BadgeCard>& cards, CardOutput output, QWidget* parent,
                          bool* done)
{
    *done = false;
    return output == CardOutput::Print ? PrintCards(cards, parent, done)
                                       : SaveCardsPdf(cards, parent, done);
}
