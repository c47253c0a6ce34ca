#include "reports/frmPrintDialog.h"

#include "platform/Printers.h"
#include "ui/LayoutFont.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

const QString NoPrinter = QStringLiteral(
    "You cannot print the Payroll Report since no printers are installed on your computer");

// The spin control shows only its arrows; the number stands in the copies box beside it.
class SpinArrows final : public QSpinBox
{
public:
    explicit SpinArrows(QWidget* parent) : QSpinBox(parent) { lineEdit()->hide(); }
};

} // namespace

frmPrintDialog::frmPrintDialog(QLabel* copiesLabel, QWidget* parent)
    : QDialog(parent), m_copiesLabel(copiesLabel)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmPrintDialog"));
    setWindowTitle(QStringLiteral(" Print"));
    setFixedSize(Twips(4800), Twips(2835));
    UseLayoutFont(this);

    auto* printerFrame = new QGroupBox(QStringLiteral("Printer"), this);
    printerFrame->setGeometry(TwipsRect(120, 120, 4560, 1095));
    NamedControl<QLabel>(printerFrame, nullptr, QStringLiteral("Name:"),
                         TwipsRect(120, 450, 615, 255));
    cboPrinterSelect = new QComboBox(printerFrame);
    cboPrinterSelect->setObjectName(QStringLiteral("cboPrinterSelect"));
    cboPrinterSelect->setGeometry(TwipsRect(780, 405, 2415, 345));
    cmdProperties =
        NamedControl<QPushButton>(printerFrame, "cmdProperties", QStringLiteral("Properties"),
                                  TwipsRect(3315, 390, 1095, 375));

    auto* copiesFrame = new QGroupBox(QStringLiteral("Copies"), this);
    copiesFrame->setGeometry(TwipsRect(120, 1320, 4560, 855));
    NamedControl<QLabel>(copiesFrame, nullptr, QStringLiteral("Number of copies:"),
                         TwipsRect(120, 405, 1695, 255));
    txtCopies = new QLineEdit(QStringLiteral("1"), copiesFrame);
    txtCopies->setObjectName(QStringLiteral("txtCopies"));
    txtCopies->setReadOnly(true);
    txtCopies->setGeometry(TwipsRect(1800, 360, 495, 345));
    UpDownCopies = new SpinArrows(copiesFrame);
    UpDownCopies->setObjectName(QStringLiteral("UpDownCopies"));
    UpDownCopies->setRange(1, 9);
    UpDownCopies->setSingleStep(1);
    UpDownCopies->setValue(1);
    UpDownCopies->setGeometry(TwipsRect(2295, 360, 285, 345));

    cmdPrint = NamedControl<QPushButton>(this, "cmdPrint", QStringLiteral("Print"),
                                         TwipsRect(2400, 2340, 1095, 375));
    cmdCancel = NamedControl<QPushButton>(this, "cmdCancel", QStringLiteral("Cancel"),
                                          TwipsRect(3585, 2340, 1095, 375));

    for (QPushButton* b : {cmdProperties, cmdPrint, cmdCancel})
        b->setAutoDefault(false);

    setTabOrder(cmdCancel, cboPrinterSelect);
    setTabOrder(cboPrinterSelect, cmdProperties);
    setTabOrder(cmdProperties, UpDownCopies);
    setTabOrder(UpDownCopies, cmdPrint);

    connect(UpDownCopies, &QSpinBox::valueChanged, this,
            [this](int copies) { txtCopies->setText(QString::number(copies)); });
    connect(cmdProperties, &QPushButton::clicked, this, &frmPrintDialog::cmdProperties_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmPrintDialog::cmdPrint_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrintDialog::cmdCancel_Click);
    FitCaptions(this);
    Form_Load();
    connect(cboPrinterSelect, &QComboBox::currentIndexChanged, this,
            &frmPrintDialog::cboPrinterSelect_Click);
}

void frmPrintDialog::Form_Load()
{
    PrintConfirmed = false;
    if (m_copiesLabel)
        m_copiesLabel->setText(QStringLiteral("1"));

    const QString current = CurrentPrinter();
    const QStringList installed = CurrentPrinterSystem().InstalledPrinters();
    cboPrinterSelect->addItems(installed);
    cboPrinterSelect->setCurrentIndex(installed.indexOf(current));
    if (cboPrinterSelect->currentText().isEmpty()) {
        cmdProperties->setEnabled(false);
        cmdPrint->setEnabled(false);
        Messages::information(NoPrinter);
    }
    cmdCancel->setFocus();
}

void frmPrintDialog::cboPrinterSelect_Click()
{
    const QString chosen = cboPrinterSelect->currentText();
    const QStringList installed = CurrentPrinterSystem().InstalledPrinters();
    for (const QString& name : installed) {
        if (name == chosen) {
            SetCurrentPrinter(name);
            return;
        }
    }
}

void frmPrintDialog::cmdProperties_Click()
{
    if (!CurrentPrinterSystem().ShowProperties(CurrentPrinter(), this))
        Messages::show(Messages::Icon::None, QStringLiteral("OpenPrinter Failed!"));
}

void frmPrintDialog::cmdPrint_Click()
{
    PrintConfirmed = true;
    if (m_copiesLabel)
        m_copiesLabel->setText(txtCopies->text());
    accept();
}

void frmPrintDialog::cmdCancel_Click()
{
    reject();
}
