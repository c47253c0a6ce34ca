#include "reports/ReportExport.h"

#include "data/OutputFiles.h"

#include "reports/PrintRichText.h"
#include "reports/frmReport.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QStandardPaths>

namespace {

constexpr int PdfResolution = 1200; // as a high-resolution printer job

ReportFileAsker& askerOverride()
{
    static ReportFileAsker asker;
    return asker;
}

} // namespace

QByteArray ReportPdf(const QString& text, const QPageSize& paper)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(PdfResolution);
    writer.setTitle(QStringLiteral("Payroll Report"));
    writer.setCreator(QStringLiteral("Horodex"));
    // No margins of the writer's own: the origin is the paper's edge, as for a printer job.
    writer.setPageLayout(QPageLayout(paper, QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
        return QByteArray();
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const bool laidOut = PaintTextPages(painter, writer, writer.resolution(),
                                        writer.pageLayout().fullRectPixels(writer.resolution()),
                                        lines, ReportFont(), PrintMargins{});
    if (!painter.end() || !laidOut)
        return QByteArray();
    buffer.close();
    return bytes;
}

IoResult SaveReportPdf(const QString& path, const QString& text, const QPageSize& paper)
{
    const QByteArray pdf = ReportPdf(text, paper);
    if (pdf.isEmpty())
        return IoResult::failure(
            QStringLiteral("The report could not be laid out on the pages of \"%1\".")
                .arg(QDir::toNativeSeparators(path)));
    return WriteOutputFiles({{path, pdf}});
}

QPageSize RegionalPaper(const QLocale& locale)
{
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                             : QPageSize::A4);
}

ReportFile ReportFileFor(const QString& chosen, const QString& filter)
{
    if (chosen.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return {chosen, ReportFile::Format::Pdf};
    if (chosen.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return {chosen, ReportFile::Format::Csv};
    if (filter == CsvFilter)
        return {chosen + QStringLiteral(".csv"), ReportFile::Format::Csv};
    return {chosen + QStringLiteral(".pdf"), ReportFile::Format::Pdf};
}

QString AskReportFileName(QWidget* parent, QString* filter)
{
    if (askerOverride())
        return askerOverride()(parent, filter);
    QFileDialog dialog(parent, QStringLiteral("Save Report As"),
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({PdfFilter, CsvFilter});
    // The suffix follows the filter, so that the overwrite question names the file written.
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f == CsvFilter ? QStringLiteral("csv") : QStringLiteral("pdf"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    *filter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

void SetReportFileAskerForTesting(ReportFileAsker asker)
{
    askerOverride() = std::move(asker);
}
