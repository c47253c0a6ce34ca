#include "reports/ReportExport.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace {

ReportFileAsker& askerOverride()
{
    static ReportFileAsker asker;
    return asker;
}

} // namespace

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
