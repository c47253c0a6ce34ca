#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

// The program's own message window: one of four fixed messages, held in front by the lock-down.
class frmMsgBox : public QDialog
{
    Q_OBJECT
public:
    explicit frmMsgBox(QWidget* parent = nullptr);
    ~frmMsgBox() override;

    static QString MessageText(int code);

    QLabel* lblMessageText;
    QPushButton* cmdOK;

private:
    void Form_Load();
    void Form_Unload();
};

// Shows message code modally and makes returnWindow the FrontWindow again when it closes.
void ShowMessageWindow(int code, QWidget* returnWindow);

// Tests: receive the code instead of opening the window. Empty restores the window.
void SetMessageWindowInterceptorForTesting(std::function<void(int code)> interceptor);
