#include "platform/PrinterOptions.h"

#include "ui/WindowFrames.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPrintEngine>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

// Qt hands the options under this key to CUPS with the job (the key its own print dialog uses);
// a printer's resolution reaches its driver only this way.
const auto CupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

QString SidesText(QPrinter::DuplexMode mode)
{
    switch (mode) {
    case QPrinter::DuplexNone:
        return QStringLiteral("One-sided");
    case QPrinter::DuplexAuto:
        return QStringLiteral("Two-sided");
    case QPrinter::DuplexLongSide:
        return QStringLiteral("Two-sided, flip on long edge");
    case QPrinter::DuplexShortSide:
        return QStringLiteral("Two-sided, flip on short edge");
    }
    return QString();
}

// A combo box of the choices in the form, the current one selected.
template <typename T>
QComboBox* AddChoice(QWidget* parent, QFormLayout* form, const QString& label,
                     const QList<T>& values, const std::function<QString(const T&)>& text,
                     const T& current)
{
    auto* box = new QComboBox(parent);
    for (const T& value : values)
        box->addItem(text(value), QVariant::fromValue(value));
    box->setCurrentIndex(std::max<int>(0, int(values.indexOf(current))));
    form->addRow(label, box);
    return box;
}

} // namespace

PrinterOptions PrinterOptions::of(const QPrinterInfo& printer)
{
    PrinterOptions options;
    options.paper = printer.defaultPageSize();
    options.duplex = printer.defaultDuplexMode();
    return options;
}

void ApplyPrinterOptions(const PrinterOptions& options, QPrinter* job)
{
    if (options.paper.isValid())
        job->setPageSize(options.paper);
    job->setDuplex(options.duplex);
    if (options.resolution > 0) {
        job->setResolution(options.resolution);
        job->printEngine()->setProperty(
            CupsOptionsKey, QStringList{QStringLiteral("Resolution"),
                                        QStringLiteral("%1dpi").arg(options.resolution)});
    }
}

PrinterOptionsDialog::PrinterOptionsDialog(const QPrinterInfo& printer,
                                           const PrinterOptions& current, QWidget* parent)
    : QDialog(parent), m_current(current)
{
    setObjectName(QStringLiteral("frmPrinterOptions"));
    setWindowTitle(QStringLiteral(" %1 Properties").arg(printer.printerName()));
    auto* form = new QFormLayout;

    QList<QPageSize> papers = printer.supportedPageSizes();
    if (papers.isEmpty())
        papers.append(current.paper);
    // Sizes are compared by their dimensions: the printer and Qt may name the same paper apart.
    const auto found = std::find_if(papers.cbegin(), papers.cend(), [&current](const QPageSize& p) {
        return p.isEquivalentTo(current.paper);
    });
    cboPaper = AddChoice<QPageSize>(
        this, form, QStringLiteral("Paper size:"), papers,
        [](const QPageSize& p) { return p.name(); },
        found == papers.cend() ? papers.constFirst() : *found);
    cboPaper->setObjectName(QStringLiteral("cboPaper"));

    // A list of one would be a field that changes nothing.
    cboSides = nullptr;
    const QList<QPrinter::DuplexMode> sides = printer.supportedDuplexModes();
    if (sides.size() > 1) {
        cboSides = AddChoice<QPrinter::DuplexMode>(this, form, QStringLiteral("Two-sided:"), sides,
                                                   SidesText, current.duplex);
        cboSides->setObjectName(QStringLiteral("cboSides"));
    }
    cboResolution = nullptr;
    const QList<int> resolutions = printer.supportedResolutions();
    if (resolutions.size() > 1) {
        // 0 leaves the resolution to the printer's own default, which Qt does not tell.
        cboResolution = AddChoice<int>(
            this, form, QStringLiteral("Resolution:"), QList<int>{0} + resolutions,
            [](const int& dpi) {
                return dpi == 0 ? QStringLiteral("The printer's default")
                                : QStringLiteral("%1 dpi").arg(dpi);
            },
            current.resolution);
        cboResolution->setObjectName(QStringLiteral("cboResolution"));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    UseFixedDialogFrame(this);
}

PrinterOptions PrinterOptionsDialog::Chosen() const
{
    PrinterOptions chosen = m_current;
    chosen.paper = cboPaper->currentData().value<QPageSize>();
    if (cboSides)
        chosen.duplex = cboSides->currentData().value<QPrinter::DuplexMode>();
    if (cboResolution)
        chosen.resolution = cboResolution->currentData().toInt();
    return chosen;
}
