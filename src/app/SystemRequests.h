#pragma once

#include "station/frmHorodex.h"

#include <QObject>

class SignalBridge;
class SingleInstance;

// Delivers what the system asks of the running program to the main window: SIGTERM is the
// task manager's request to end; SIGHUP, SIGINT and SIGQUIT (the terminal's ends) and the session
// manager's end of the session close without asking or restarting (the desktop is given back all
// the same); and a later copy's
// request brings the program's window to the front.
class SystemRequests : public QObject
{
    Q_OBJECT
public:
    SystemRequests(frmHorodex* window, SingleInstance* instance, QObject* parent = nullptr);
    ~SystemRequests() override;

    // Closes the program for reason once no modal window stands in the way.
    void requestClose(frmHorodex::CloseReason reason);
    // Restores, raises and activates the window that should have the user's attention.
    void bringProgramToFront();

private:
    void attemptClose();

    frmHorodex* m_window;
    SignalBridge* m_signals;
    frmHorodex::CloseReason m_pendingReason = frmHorodex::CloseReason::User;
    bool m_closePending = false;
};
