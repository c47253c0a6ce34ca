#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The on-screen keypad: the employee's punch in the given direction is recorded only after his
// own PIN. exec() gives Accepted when the PIN typed was his; the caller then records the punch.
class frmPin : public QDialog
{
    Q_OBJECT
public:
    frmPin(const QString& employee, bool isIn, QWidget* parent = nullptr);

    void Command1_Click(int index);
    void Command2_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // A keypad left alone this long closes itself, writing nothing; each key or click starts
    // the wait again. Tests shorten it.
    static constexpr int DefaultIdleCloseMs = 30000;
    static void setIdleCloseMs(int ms);

    // Closed because a window manager minimised it: nothing was recorded.
    bool wasMinimised() const { return m_minimised; }

    QLabel* lblName; // shown only while the window fills the screen
    QLabel* lblEnter;
    QLineEdit* txtPin;
    QPushButton* Command1[10];
    QPushButton* Command2;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void placePad();

    QWidget* m_pad = nullptr;
    QTimer* m_idle = nullptr;
    QString m_employee;
    bool m_isIn;
    bool m_minimised = false;
};
