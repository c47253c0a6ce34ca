#include "admin/frmPunchEdit.h"

#include "data/Messages.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>

frmPunchEdit::frmPunchEdit(const QString& caption, const Punch& start, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPunchEdit"));
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    dtpDate = new QDateEdit(start.date, this);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    dtpDate->setCalendarPopup(true);
    dtpTime = new QTimeEdit(start.time, this);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("HH:mm"));
    optIn = new QRadioButton(QStringLiteral("IN"), this);
    optIn->setObjectName(QStringLiteral("optIn"));
    optOut = new QRadioButton(QStringLiteral("OUT"), this);
    optOut->setObjectName(QStringLiteral("optOut"));
    (start.isIn ? optIn : optOut)->setChecked(true);
    txtReason = new QLineEdit(start.reason, this);
    txtReason->setObjectName(QStringLiteral("txtReason"));
    txtReason->setMaxLength(200);
    txtReason->setMinimumWidth(320);

    auto* direction = new QHBoxLayout;
    direction->addWidget(optIn);
    direction->addWidget(optOut);
    direction->addStretch();
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Date:"), dtpDate);
    form->addRow(QStringLiteral("Time:"), dtpTime);
    form->addRow(QStringLiteral("Punch:"), direction);
    form->addRow(QStringLiteral("Reason:"), txtReason);
    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    form->addRow(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &frmPunchEdit::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    cmdOK->setDefault(true);
    txtReason->setFocus();
}

frmPunchEdit::Punch frmPunchEdit::punch() const
{
    return {optIn->isChecked(), dtpDate->date(),
            QTime(dtpTime->time().hour(), dtpTime->time().minute()),
            txtReason->text().simplified()};
}

void frmPunchEdit::cmdOK_Click()
{
    // A correction nobody can explain later is not accepted.
    if (txtReason->text().trimmed().isEmpty()) {
        Messages::warning(QStringLiteral("Please give the reason for this correction."));
        txtReason->setFocus();
        return;
    }
    accept();
}
