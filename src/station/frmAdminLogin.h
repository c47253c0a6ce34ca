#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// What the administrator's password is asked for.
enum class LoginMode {
    Management, // the Manage and Reports menus
    Start,      // the program starts only with it
    FirstRun,   // it is chosen, typed twice, and the first settings are written
    Exit,       // the program ends only with it
};

// One login window for the four modes. Its verdict is the dialog's result: Accepted when the
// password was right (or, on the first run, chosen and saved), Rejected when the login was
// cancelled.
class frmAdminLogin : public QDialog
{
    Q_OBJECT
public:
    explicit frmAdminLogin(LoginMode mode, QWidget* parent = nullptr);

    LoginMode mode() const { return m_mode; }
    // Shows the login that opens before the main window (first run, start password). In the
    // kiosk session it stands over a backdrop that owns it, which is gone once it closes.
    void showBeforeMainWindow();
    static QString messageForMode(LoginMode mode);

    void OKButton_Click();
    void CancelButton_Click();

    QLabel* lblMessage;
    QLineEdit* txtPassword;
    QLabel* Label1;
    QLineEdit* txtPassConfirm;
    QPushButton* OKButton;
    QPushButton* CancelButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void okManagementOrExit(const QString& password);
    void okStart(const QString& password);
    void okFirstRun(const QString& password);
    // Checks the stored password; says so when it cannot be read.
    bool passwordIsRight(const QString& password) const;
    // Empties the password box and shows message 2 or 3 for a wrong or badly sized password.
    void refuse(const QString& password);

    LoginMode m_mode;
};

// The password rule: 6 to 10 characters after trimming.
bool PasswordLengthIsValid(const QString& password);
