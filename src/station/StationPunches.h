#pragma once

#include "punch/PunchDesk.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class EmployeeListBox;
class PunchStore;
class QDialog;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

// The main window's punching: a name chosen and IN or OUT pressed, or a badge scanned, through
// the PIN keypad and the question about a forgotten OUT to the desk's punch, and the answers in
// the strip. Whatever the station asks (a keypad, a question) closes unanswered when the next
// person's card is read, and that card is then taken: nobody in a queue waits behind it.
class StationPunches : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        QWidget* window;
        EmployeeListBox* names;
        QPushButton* in;
        QPushButton* out;
        QLabel* strip;
    };
    StationPunches(const Controls& controls, PunchStore& store);

    void setStore(PunchStore& store) { m_desk.setStore(store); }
    PunchDesk& desk() { return m_desk; }

    // IN or OUT pressed: the chosen name, or a message that one must be chosen.
    void punch(bool isIn);
    // The chosen name, or none after saying that an employee must be chosen.
    QString chosenNameOrSaySo() const;
    void punchWithBadge(const QString& code);
    // Records the punch; on success refreshes the buttons and strip, on failure says so and
    // changes nothing on screen.
    bool recordPunch(const QString& name, bool isIn);
    // Shows the employee's state; none (after saying why) when he cannot punch from it.
    std::optional<PunchState> showStateOf(const QString& name);
    QString lastActionShown() const;

    // How long the answer to a scan stays in the strip before his last action comes back.
    static constexpr int ScanAnswerMs = 5000;

Q_SIGNALS:
    // The window manager minimised the keypad and took the station along: show it again.
    void stationHidden();

private:
    void punchAs(const QString& name, bool isIn);
    // The PIN window for the punch; true when his PIN was right.
    bool pinTyped(const QString& name, bool isIn);
    // Asks about an OUT he forgot and writes his answer; false when nothing more is to be done
    // (answered, or left unanswered), true when the punch goes on as pressed.
    bool noForgottenOut(const QString& name);
    // Runs a window that the next card may close; the card is taken once it has closed.
    int askUntilNextCard(QDialog& window);
    void showState(const PunchState& state);
    // The answer to a scan in the strip, for ScanAnswerMs: it blocks nobody behind.
    void showScanAnswer(const QString& text);

    Controls m_controls;
    PunchDesk m_desk;
    QPointer<QDialog> m_asking; // a keypad or a question, open while a punch waits on it
    QString m_scanAfterAsking;  // a scan that closed it, taken once it has closed
    QTimer* m_answerTimer;
    QString m_stripState; // what the strip shows once a scan's answer has gone
};
