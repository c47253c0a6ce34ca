#include "reports/ReportExport.h"

#include "payroll/ReportTexts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
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

QString ReportSaveFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString ProposedReportPath(const ReportTexts& report, const QDate& today)
{
    QString name = report.Title.isEmpty() ? QStringLiteral("Payroll Report") : report.Title;
    const QDate from = report.Figures.from;
    const QDate to = report.Figures.to;
    if (from.isValid() && to.isValid())
        name +=
            QStringLiteral(" - %1 to %2").arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
    else
        name += QStringLiteral(" - ") + today.toString(Qt::ISODate);
    // Also the characters Windows refuses, so that the file can be copied to a USB stick.
    static const QRegularExpression forbidden(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f\\x7f]"));
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    name = name.replace(spaces, QStringLiteral(" ")).remove(forbidden);
    name = name.replace(spaces, QStringLiteral(" ")).trimmed();
    return QDir(ReportSaveFolder()).filePath(name + QStringLiteral(".pdf"));
}

QString SavedFilesMessage(const QStringList& paths)
{
    if (paths.size() == 1)
        return QStringLiteral("The report was saved in the file\n%1").arg(paths.constFirst());
    return QStringLiteral("The report was saved in %1 files:\n%2")
        .arg(paths.size())
        .arg(paths.join(u'\n'));
}

QString AskReportFileName(QWidget* parent, const QString& proposed, QString* filter)
{
    return AskSaveFileName(parent, QStringLiteral("Save Report As"), {PdfFilter, CsvFilter},
                           proposed, filter);
}

QString AskSaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                        const QString& proposed, QString* filter)
{
    if (askerOverride())
        return askerOverride()(parent, proposed, filter);
    const QFileInfo start(proposed);
    QFileDialog dialog(parent, title, start.absolutePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectFile(start.fileName());
    // The suffix follows the filter (the dialog swaps that of a typed name itself), so that the
    // overwrite question names the file written.
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
