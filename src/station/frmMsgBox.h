#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

// The four messages of the program's own message window.
enum class WindowMessage {
    WrongPin = 1,
    WrongPassword = 2,
    PasswordLength = 3,
    InvalidTimeFile = 4,
};

// The program's own message window: one of four fixed messages, held in front by the lock-down.
class frmMsgBox : public QDialog
{
    Q_OBJECT
public:
    explicit frmMsgBox(WindowMessage message, QWidget* parent = nullptr);
    ~frmMsgBox() override;

    static QString MessageText(WindowMessage message);

    QLabel* lblMessageText;
    QPushButton* cmdOK;

private:
    void Form_Load();

    WindowMessage m_message;
};

// Shows the message modally over returnWindow.
void ShowMessageWindow(WindowMessage message, QWidget* returnWindow);

// Tests: receive the message instead of opening the window. Empty restores the window.
void SetMessageWindowInterceptorForTesting(std::function<void(WindowMessage)> interceptor);
