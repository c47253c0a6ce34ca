#include "ui/frmMsgBox.h"

#include "data/TimeFile.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

frmMsgBox::frmMsgBox(WindowMessage message, QWidget* parent) : QDialog(parent), m_message(message)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmMsgBox"));
    setWindowTitle(QStringLiteral(" Horodex "));
    setFixedSize(Twips(5820), Twips(1545));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgWarning"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setGeometry(Twips(180), Twips(240), 32, 32);

    lblMessageText = new QLabel(this);
    lblMessageText->setObjectName(QStringLiteral("lblMessageText"));
    lblMessageText->setWordWrap(true);
    lblMessageText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMessageText->setGeometry(TwipsRect(720, 120, 4935, 855));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(TwipsRect(2363, 1080, 1095, 375));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    Form_Load();
}

frmMsgBox::~frmMsgBox() = default;

QString frmMsgBox::messageText(WindowMessage message)
{
    switch (message) {
    case WindowMessage::WrongPin:
        return QStringLiteral("You have entered an incorrect PIN. Please re-enter it.");
    case WindowMessage::WrongPassword:
        return QStringLiteral("Sorry, wrong password");
    case WindowMessage::PasswordLength:
        return QStringLiteral("Sorry, password must be between 6 and 10 characters long!");
    case WindowMessage::InvalidTimeFile:
        return InvalidTimeFileMessage();
    }
    return QString();
}

void frmMsgBox::Form_Load()
{
    cmdOK->setDefault(true);
    lblMessageText->setText(messageText(m_message));
    GrowToWrappedText(lblMessageText);
}

void ShowMessageWindow(WindowMessage message, QWidget* returnWindow)
{
    Messages::showInWindow(message, returnWindow);
}
