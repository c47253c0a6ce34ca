#include "render/ReportPdf.h"

#include "data/OutputFiles.h"
#include "render/ReportPages.h"

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>

namespace {

constexpr int PdfResolution = 1200; // as a high-resolution printer job

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

Result<> SaveReportPdf(const QString& path, const QString& text, const QPageSize& paper)
{
    const QByteArray pdf = ReportPdf(text, paper);
    if (pdf.isEmpty())
        return Failure(QStringLiteral("The report could not be laid out on the pages of \"%1\".")
                           .arg(QDir::toNativeSeparators(path)));
    return WriteOutputFiles({{path, pdf}});
}

QPageSize RegionalPaper(const QLocale& locale)
{
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                             : QPageSize::A4);
}
