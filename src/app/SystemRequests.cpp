#include "app/SystemRequests.h"

#include "platform/SignalBridge.h"
#include "platform/SingleInstance.h"
#include "platform/Workstation.h"
#include "ui/FrontWindows.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

#include <csignal>

namespace {

// Gives a closing modal window's event loop time to unwind before the main window is asked.
constexpr int ModalUnwindMs = 50;

} // namespace

SystemRequests::SystemRequests(frmHorodex* window, SingleInstance* instance, QObject* parent)
    : QObject(parent), m_window(window), m_signals(new SignalBridge({SIGTERM, SIGHUP}, this))
{
    connect(m_signals, &SignalBridge::received, this, [this](int signalNumber) {
        requestClose(signalNumber == SIGTERM ? frmHorodex::CloseReason::TaskManager
                                             : frmHorodex::CloseReason::SessionEnd);
    });
#ifndef QT_NO_SESSIONMANAGER
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { requestClose(frmHorodex::CloseReason::SessionEnd); });
#endif
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
    m_window->RequestClose(m_pendingReason);
}

void SystemRequests::bringProgramToFront()
{
    QWidget* target = FrontWindows::front();
    if (!target || !target->isVisible())
        target = m_window;
    if (target->isVisible())
        CurrentWorkstation().BringWindowToFront(target);
}
