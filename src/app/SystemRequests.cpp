#include "app/SystemRequests.h"

#include "app/StartArguments.h"
#include "data/OptionsRecord.h"
#include "platform/SessionEndWatch.h"
#include "platform/SignalBridge.h"
#include "platform/SingleInstance.h"
#include "platform/Workstation.h"
#include "ui/FrontWindows.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTimer>

#include <csignal>

namespace {

// Gives a closing modal window's event loop time to unwind before the main window is asked.
constexpr int ModalUnwindMs = 50;

} // namespace

SystemRequests::SystemRequests(frmHorodex* window, SingleInstance* instance, QObject* parent)
    : QObject(parent), m_window(window),
      m_signals(new SignalBridge({SIGTERM, SIGHUP, SIGINT, SIGQUIT}, this))
{
    connect(m_signals, &SignalBridge::received, this, [this](int signalNumber) {
        requestClose(signalNumber == SIGTERM ? frmHorodex::CloseReason::TaskManager
                                             : frmHorodex::CloseReason::SessionEnd);
    });
    connect(new SessionEndWatch(this), &SessionEndWatch::sessionEnding, this,
            [this] { requestClose(frmHorodex::CloseReason::SessionEnd); });
    if (instance)
        connect(instance, &SingleInstance::activationRequested, this,
                &SystemRequests::bringProgramToFront);
}

SystemRequests::~SystemRequests() = default;

void SystemRequests::requestClose(frmHorodex::CloseReason reason)
{
    m_pendingReason = reason;
    if (m_closePending)
        return;
    m_closePending = true;
    attemptClose();
}

void SystemRequests::attemptClose()
{
    // A modal window (or the exit password asked by a close in progress) would hold the close
    // request up: close it first, and ask again once its event loop has returned.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        QTimer::singleShot(ModalUnwindMs, this, &SystemRequests::attemptClose);
        return;
    }
    m_closePending = false;
    m_window->requestClose(m_pendingReason);
    // The window has closed by now: a close from outside never waits for a password.
    if (ClosePlanFor(m_pendingReason, OptionsRecord::isOn(GlobalOptions().AskOnExit),
                     State().AdminLoggedIn)
            .restartWithoutPassword)
        QProcess::startDetached(QCoreApplication::applicationFilePath(), RestartArguments());
}

void SystemRequests::bringProgramToFront()
{
    QWidget* target = FrontWindows::front();
    if (!target || !target->isVisible())
        target = m_window;
    if (target->isVisible())
        CurrentWorkstation().BringWindowToFront(target);
}
