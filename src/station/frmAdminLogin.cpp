#include "station/frmAdminLogin.h"

#include "data/OptionsRecord.h"
#include "platform/DesktopSession.h"
#include "platform/ScreenCover.h"
#include "ui/KeyFilter.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"
#include "ui/frmMsgBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int NormalHeight = 1800; // twips: message, password box and buttons
constexpr int FirstRunExtra = 960; // brings the confirmation box into view

const QString WrongLength =
    QStringLiteral("Sorry, password must be between 6 and 10 characters long!");

QLineEdit* passwordBox(QWidget* parent, const char* name, int tabPosition)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    QFont font = box->font();
    font.setPointSize(14);
    box->setFont(font);
    box->setMaxLength(10);
    KeyFilter::showAsStars(box);
    KeyFilter::install(box, KeyFilter::isPasswordCharacter);
    box->setProperty("tabPosition", tabPosition);
    return box;
}

} // namespace

bool PasswordLengthIsValid(const QString& password)
{
    return password.size() >= 6 && password.size() <= 10;
}

frmAdminLogin::frmAdminLogin(LoginMode mode, QWidget* parent) : QDialog(parent), m_mode(mode)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmAdminLogin"));
    setWindowTitle(QStringLiteral(" Administator Log In"));

    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMessage->setGeometry(TwipsRect(120, 120, 4560, 840));

    txtPassword = passwordBox(this, "txtPassword", 0);
    txtPassword->setGeometry(TwipsRect(120, 1080, 2520, 435));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(TwipsRect(2760, 1080, 915, 435));
    connect(OKButton, &QPushButton::clicked, this, &frmAdminLogin::OKButton_Click);

    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    CancelButton->setGeometry(TwipsRect(3765, 1080, 915, 435));
    connect(CancelButton, &QPushButton::clicked, this, &frmAdminLogin::CancelButton_Click);

    Label1 = new QLabel(QStringLiteral("Confirm new password:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(TwipsRect(120, 1860, 2520, 255));

    txtPassConfirm = passwordBox(this, "txtPassConfirm", 1);
    txtPassConfirm->setGeometry(TwipsRect(120, 2130, 2520, 435));

    setTabOrder(txtPassword, txtPassConfirm);
    setTabOrder(txtPassConfirm, OKButton);
    setTabOrder(OKButton, CancelButton);

    Form_Load();
}

void frmAdminLogin::showBeforeMainWindow()
{
    // A kiosk compositor gives a window that has no owner the whole output, which a window of
    // fixed size cannot take: it would sit in the corner. A window with an owner is centred.
    if (DesktopSession::isKiosk()) {
        auto* backdrop = new ScreenCover;
        backdrop->setObjectName(QStringLiteral("loginBackdrop"));
        backdrop->showOn(nullptr);
        setParent(backdrop, windowFlags());
        connect(this, &QDialog::finished, backdrop, &QObject::deleteLater);
    }
    show();
}

void frmAdminLogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The password is typed at once: without a window manager nobody else gives the keyboard.
    activateWindow();
}

QString frmAdminLogin::messageForMode(LoginMode mode)
{
    switch (mode) {
    case LoginMode::Management:
        return QStringLiteral(
            "Enter the admin password in order to access the management functions:");
    case LoginMode::Start:
        return QStringLiteral("For security reasons this program can only be started by the "
                              "administrator. Please enter the admin password below:");
    case LoginMode::FirstRun:
        return QStringLiteral("Before using the Horodex you have to set the administrative "
                              "password. The password must be between 6 and 10 characters long.");
    case LoginMode::Exit:
        return QStringLiteral("For security reasons this program can only be closed by the "
                              "administrator. Please enter the admin password below:");
    }
    return QString();
}

void frmAdminLogin::Form_Load()
{
    OKButton->setDefault(true);
    const bool firstRun = m_mode == LoginMode::FirstRun;
    Label1->setVisible(firstRun);
    txtPassConfirm->setVisible(firstRun);
    setFixedSize(Twips(4800), Twips(NormalHeight + (firstRun ? FirstRunExtra : 0)));
    lblMessage->setText(messageForMode(m_mode));
    GrowToWrappedText(lblMessage);
    txtPassword->setFocus();
}

void frmAdminLogin::OKButton_Click()
{
    const QString password = txtPassword->text().trimmed();
    switch (m_mode) {
    case LoginMode::Management:
    case LoginMode::Exit:
        okManagementOrExit(password);
        break;
    case LoginMode::Start:
        okStart(password);
        break;
    case LoginMode::FirstRun:
        okFirstRun(password);
        break;
    }
}

void frmAdminLogin::refuse(const QString& password)
{
    txtPassword->clear();
    ShowMessageWindow(PasswordLengthIsValid(password) ? WindowMessage::WrongPassword
                                                      : WindowMessage::PasswordLength,
                      this);
}

bool frmAdminLogin::passwordIsRight(const QString& password) const
{
    const Result<bool> right = CheckAdminPassword(GlobalOptions(), password);
    if (!right.warning())
        Messages::attention(right.warning().error);
    return *right;
}

void frmAdminLogin::okManagementOrExit(const QString& password)
{
    if (!PasswordLengthIsValid(password) || !passwordIsRight(password)) {
        refuse(password);
        return;
    }
    accept();
}

void frmAdminLogin::okStart(const QString& password)
{
    if (!PasswordLengthIsValid(password)) {
        txtPassword->clear();
        Messages::warning(WrongLength);
    } else if (passwordIsRight(password)) {
        accept();
    } else {
        txtPassword->clear();
        Messages::warning(QStringLiteral("Sorry, wrong password"));
    }
}

void frmAdminLogin::okFirstRun(const QString& password)
{
    if (!PasswordLengthIsValid(password)) {
        Messages::warning(WrongLength);
        return;
    }
    if (txtPassword->text() != txtPassConfirm->text()) {
        txtPassword->clear();
        txtPassConfirm->clear();
        Messages::warning(QStringLiteral("You have to enter the same password twice"));
        return;
    }
    const OptionsRecord record = OptionsRecord::firstRunDefaults(password);
    const IoResult written = WriteOptionsFile(record);
    if (!written) {
        Messages::show(Messages::Icon::Critical, written.error);
        return;
    }
    GlobalOptions() = record;
    accept();
}

void frmAdminLogin::CancelButton_Click()
{
    reject();
}
