#pragma once

#include "punch/ForgottenOut.h"

#include <QDateTime>
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The station's question when an employee's last punch is an IN older than the open-IN limit:
// did he forget to punch OUT? He punches OUT now (a long shift, flagged for the manager) or types
// on the keypad when he left. The window only asks: it hands the answer back and writes nothing,
// and closes unanswered when left alone or when the caller closes it (another badge scanned).
class frmForgotOut : public QDialog
{
    Q_OBJECT
public:
    enum class Choice { Unanswered, OutNow, LeftAt };

    // How long the keypad waits for a touch before it closes unanswered.
    static constexpr int IdleMilliseconds = 30000;

    frmForgotOut(const ForgottenOut::Question& question, const QString& timeFormat,
                 QWidget* parent = nullptr);

    Choice choice() const { return m_choice; }
    // With LeftAt: the moment he left, between the IN and now, and whether he is arriving (an IN
    // now follows the OUT).
    QDateTime leftAt() const { return m_leftAt; }
    bool arriving() const;

    // Closes without an answer, as a keypad left alone does: the caller writes nothing.
    void closeUnanswered();
    // The seam for tests: another wait before the window closes itself.
    void setIdleTimeout(int milliseconds);

    void Command1_Click(int index);
    void Command2_Click();
    void cmdOutNow_Click();
    void cmdLeftAt_Click();

    QLabel* lblQuestion;
    QPushButton* cmdOutNow;
    QLabel* lblLeftAt;
    QLineEdit* txtTime; // HH:MM, 24-hour
    QPushButton* Command1[10];
    QPushButton* Command2; // Clear
    QCheckBox* chkInNow;
    QLabel* lblHint;
    QPushButton* cmdLeftAt;
    QPushButton* cmdCancel;
    QTimer* tmrIdle;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void showTyped(const QString& digits);

    ForgottenOut::Question m_question;
    QString m_digits;
    Choice m_choice = Choice::Unanswered;
    QDateTime m_leftAt;
};
