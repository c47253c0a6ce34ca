#pragma once

#include "platform/ScreenSaverInhibitor.h"
#include "platform/Workstation.h"

#include <QPointer>

class ScreenCover;
struct _XDisplay;

// The lock-down on an X11 desktop. Shell windows are the windows of type
// _NET_WM_WINDOW_TYPE_DOCK (task bars, panels) and _NET_WM_WINDOW_TYPE_DESKTOP (desktop icons);
// they are looked up when the shell is hidden. A window hidden here carries a mark on the window
// itself and is listed on the root window, so showing maps exactly the windows the lock-down took
// away, even those hidden by an earlier copy that ended without cleaning up, without looking at
// the other windows of the desktop. While the shell is hidden, a cover takes the clicks on
// the rest of the screen, and the main window and the cover are on every desktop, so that no
// desktop switch can take the station away.
class X11Workstation : public Workstation
{
public:
    // Opens a connection of its own to the display the application shows its windows on.
    X11Workstation();
    ~X11Workstation() override;
    X11Workstation(const X11Workstation&) = delete;
    X11Workstation& operator=(const X11Workstation&) = delete;

    bool isConnected() const { return m_display != nullptr; }
    // The requests sent on the workstation's own connection so far (tests count them).
    unsigned long requestsSent() const;

    void HideDesktopIcons(bool hide) override;
    void HideTaskBar(bool hide) override;
    // Sets the server's screen-saver timeout to 0, keeping the user's settings on the root
    // window until ScreenSaverOn puts them back, and suspends the saver for this connection.
    void ScreenSaverOff() override;
    void ScreenSaverOn() override;
    bool BringWindowToFront(QWidget* window) override;

private:
    void setShellWindowsHidden(const char* windowType, bool hide);
    void coverScreen();
    void setOnEveryDesktop(unsigned long window, bool on);
    void keepOnEveryDesktop();
    void showDesktopOf(unsigned long window);
    bool isForeground(unsigned long window, unsigned long mainWindow);
    void requestActivation(unsigned long window, unsigned long mainWindow);

    _XDisplay* m_display = nullptr;
    bool m_suspended = false;
    bool m_desktopHidden = false;
    bool m_taskBarHidden = false;
    // Deleted when the lock-down ends, never by the destructor: the workstation is static and
    // outlives the application's widgets.
    QPointer<ScreenCover> m_cover;
    ScreenSaverInhibitor m_inhibitor;
};
