#pragma once

#include "ui/Messages.h"

#include <QDialog>

class QLabel;
class QPushButton;

using WindowMessage = Messages::WindowMessage;

// The program's own message window: one of four fixed messages, held in front by the lock-down.
class frmMsgBox : public QDialog
{
    Q_OBJECT
public:
    explicit frmMsgBox(WindowMessage message, QWidget* parent = nullptr);
    ~frmMsgBox() override;

    static QString messageText(WindowMessage message);

    QLabel* lblMessageText;
    QPushButton* cmdOK;

private:
    void Form_Load();

    WindowMessage m_message;
};

// Shows the message modally over returnWindow, through the one presenter of every message.
void ShowMessageWindow(WindowMessage message, QWidget* returnWindow);
