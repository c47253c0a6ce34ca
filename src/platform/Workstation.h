#pragma once

#include <QString>

class QWidget;

// The window-system operations of the lock-down. The default keeps to what Qt offers on every
// platform; the X11 implementation adds hiding the shell and the screen saver.
class Workstation
{
public:
    virtual ~Workstation() = default;

    virtual void HideDesktopIcons(bool hide) = 0;
    virtual void HideTaskBar(bool hide) = 0;
    virtual void ScreenSaverOff() = 0;
    virtual void ScreenSaverOn() = 0;
    // Restores the window if minimised, raises and activates it; true when it is in front.
    virtual bool BringWindowToFront(QWidget* window) = 0;
    // What this desktop keeps the lock-down from doing, in the administrator's words; empty
    // when it does all of it.
    virtual QString panelNotice() const { return QString(); }
};

// The workstation of this session: X11 where the program runs on an X desktop, the full-screen
// cover in a Wayland session (also through XWayland), the portable one without a screen
// (chosen in CurrentWorkstation.cpp).
Workstation& CurrentWorkstation();
// Replaces it (tests); the previous one is returned to the caller's care through ownership.
void SetWorkstationForTesting(Workstation* workstation);

// The window that takes the user's input in place of window: a modal window open over the
// program blocks every other one, so that is the window to hold in front.
QWidget* WindowTakingInput(QWidget* window);
// Qt's own restore (from minimised only), raise and activate; true when window is active.
bool QtBringToFront(QWidget* window);
