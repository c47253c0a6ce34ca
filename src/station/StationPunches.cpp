#include "station/StationPunches.h"

#include "data/OptionsRecord.h"
#include "station/EmployeeListBox.h"
#include "station/MainWindowRules.h"
#include "station/frmForgotOut.h"
#include "station/frmPin.h"
#include "ui/Messages.h"
#include "ui/frmMsgBox.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <utility>

StationPunches::StationPunches(const Controls& controls, PunchStore& store)
    : QObject(controls.window), m_controls(controls), m_desk(store), m_answerTimer(new QTimer(this))
{
    m_answerTimer->setSingleShot(true);
    connect(m_answerTimer, &QTimer::timeout, this,
            [this] { m_controls.strip->setText(m_stripState); });
}

std::optional<PunchState> StationPunches::showStateOf(const QString& name)
{
    const Result<PunchState> state = m_desk.stateOf(name);
    if (state && state->validFile) {
        showState(*state);
        return *state;
    }
    if (state)
        ShowMessageWindow(WindowMessage::InvalidTimeFile, m_controls.window);
    else
        Messages::show(Messages::Icon::Critical, state.message());
    m_answerTimer->stop();
    m_stripState.clear();
    m_controls.strip->clear();
    return std::nullopt;
}

void StationPunches::showState(const PunchState& state)
{
    m_controls.in->setEnabled(!state.in);
    m_controls.out->setEnabled(state.in);
    m_answerTimer->stop();
    m_stripState = state.strip;
    m_controls.strip->setText(state.strip);
}

void StationPunches::showScanAnswer(const QString& text)
{
    m_controls.strip->setText(text);
    m_controls.strip->repaint();
    m_answerTimer->start(ScanAnswerMs);
}

QString StationPunches::lastActionShown() const
{
    return m_controls.strip->text();
}

QString StationPunches::chosenNameOrSaySo() const
{
    const QString name = m_controls.names->chosenName();
    if (name.isEmpty())
        Messages::show(Messages::Icon::None, QStringLiteral("Please select an employee"));
    return name;
}

void StationPunches::punch(bool isIn)
{
    // Said rather than ignored: the employee must not walk away believing he punched.
    if (const QString name = chosenNameOrSaySo(); !name.isEmpty())
        punchAs(name, isIn);
}

void StationPunches::punchAs(const QString& name, bool isIn)
{
    switch (m_desk.beforePunch(name)) {
    case BeforePunch::DamagedFile:
        ShowMessageWindow(WindowMessage::InvalidTimeFile, m_controls.window);
        return;
    case BeforePunch::Pin:
        if (!pinTyped(name, isIn))
            return;
        break;
    case BeforePunch::Nothing:
        break;
    }
    if (noForgottenOut(name))
        recordPunch(name, isIn);
}

int StationPunches::askUntilNextCard(QDialog& window)
{
    m_asking = &window;
    const int verdict = window.exec();
    m_asking.clear();
    // Taken once this window's loop has ended, so that windows never nest.
    if (const QString next = std::exchange(m_scanAfterAsking, QString()); !next.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, next] { punchWithBadge(next); }, Qt::QueuedConnection);
    return verdict;
}

bool StationPunches::pinTyped(const QString& name, bool isIn)
{
    frmPin pin(name, isIn, m_controls.window);
    const bool right = askUntilNextCard(pin) == QDialog::Accepted;
    if (pin.wasMinimised())
        Q_EMIT stationHidden();
    return right;
}

bool StationPunches::noForgottenOut(const QString& name)
{
    const std::optional<ForgottenOut::Question> question = m_desk.forgottenOut(name);
    if (!question)
        return true;
    frmForgotOut ask(*question, GlobalOptions().timeFormat(), m_controls.window);
    askUntilNextCard(ask);
    if (ask.choice() == frmForgotOut::Choice::Unanswered)
        return false;
    const std::optional<QDateTime> leftAt =
        ask.choice() == frmForgotOut::Choice::LeftAt ? std::optional(ask.leftAt()) : std::nullopt;
    const Result<ForgottenOut::Declared> written =
        m_desk.answerForgottenOut(name, leftAt, ask.arriving());
    if (written.failed())
        Messages::show(Messages::Icon::Critical, written.message());
    showStateOf(name);
    m_controls.names->choose(name);
    return false;
}

bool StationPunches::recordPunch(const QString& name, bool isIn)
{
    const Result<TimeRecord> punched = m_desk.punch(name, isIn);
    if (punched.failed()) {
        Messages::show(Messages::Icon::Critical, punched.message());
        return false;
    }
    // The strip tells him that his punch is on disk, so it is painted at once; his name and the
    // buttons, changed before any later click is taken, are painted with the next paint.
    showState(m_desk.stateAfter(*punched));
    m_controls.strip->repaint();
    m_controls.names->choose(name);
    return true;
}

void StationPunches::punchWithBadge(const QString& code)
{
    if (m_desk.isRepeat(code))
        return;
    // The next person's card closes a keypad or a question left open, writing nothing for it.
    if (m_asking && m_asking->isVisible()) {
        m_scanAfterAsking = code;
        if (auto* question = qobject_cast<frmForgotOut*>(m_asking.data()))
            question->closeUnanswered();
        else
            m_asking->reject();
        return;
    }
    const ScanAnswer answer = m_desk.answerScan(
        code, [this](const QString& name) { return m_controls.names->rowOf(name) >= 0; });
    switch (answer.kind) {
    case ScanAnswer::Kind::Repeat:
        return;
    case ScanAnswer::Kind::Refused: {
        // The name chosen before is someone else's: IN or OUT must not punch him now.
        const QSignalBlocker blocker(m_controls.names);
        m_controls.names->clearSelection();
        m_stripState.clear();
        showScanAnswer(answer.message);
        return;
    }
    case ScanAnswer::Kind::TooSoon:
        m_controls.names->choose(answer.name);
        if (showStateOf(answer.name))
            showScanAnswer(answer.message);
        return;
    case ScanAnswer::Kind::Punch:
        break;
    }
    // A window that opens (the PIN, a damaged time file, a failure) opens over his chosen name,
    // exactly as after choosing it by hand.
    m_controls.names->choose(answer.name);
    if (showStateOf(answer.name))
        punchAs(answer.name, answer.in);
}
