#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The on-screen keypad: the punch chosen on the main window is recorded only after the
// employee's own PIN.
class frmPin : public QDialog
{
    Q_OBJECT
public:
    explicit frmPin(QWidget* parent = nullptr);

    void Command1_Click(int index);
    void Command2_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* lblEnter;
    QLineEdit* txtPin;
    QPushButton* Command1[10];
    QPushButton* Command2;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private:
    void Form_Load();
    void Form_Unload();
};
