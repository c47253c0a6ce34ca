#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// One login window for four purposes, chosen by LoginMode: management access (1), start
// protection (2), first run (3) and exit protection (4).
class frmAdminLogin : public QDialog
{
    Q_OBJECT
public:
    explicit frmAdminLogin(QWidget* parent = nullptr);

    static QString MessageForMode(int mode);

    void OKButton_Click();
    void CancelButton_Click();
    void reject() override;

    QLabel* lblMessage;
    QLineEdit* txtPassword;
    QLabel* Label1;
    QLineEdit* txtPassConfirm;
    QPushButton* OKButton;
    QPushButton* CancelButton;

private:
    void Form_Load();
    void Form_Unload();
    void okManagement(const QString& password);
    void okStart(const QString& password);
    void okFirstRun(const QString& password);
    void okExit(const QString& password);
    // Checks the stored password; says so when it cannot be read.
    bool passwordIsRight(const QString& password) const;
    // Empties the password box and shows message 2 or 3 for a wrong or badly sized password.
    void refuse(const QString& password);

    int m_mode;
};

// The password rule: 6 to 10 characters after trimming.
bool PasswordLengthIsValid(const QString& password);
