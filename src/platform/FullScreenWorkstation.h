#pragma once

#include "platform/QtWorkstation.h"
#include "platform/ScreenSaverInhibitor.h"

#include <QSize>

// The lock-down where the program cannot reach the shell's windows (a Wayland session): while
// the task bar or the desktop icons are to be hidden, the main window covers them, full screen
// and on top as far as the compositor allows. The screen saver is held off through the
// session's inhibit. Only a kiosk compositor, which shows no panels, leaves nothing to tell.
class FullScreenWorkstation : public QtWorkstation
{
public:
    void HideDesktopIcons(bool hide) override;
    void HideTaskBar(bool hide) override;
    void ScreenSaverOff() override { m_inhibitor.inhibit(); }
    void ScreenSaverOn() override { m_inhibitor.release(); }
    QString panelNotice() const override;
    // A desktop compositor keeps full-screen windows above all others, the station's own
    // dialogs included: while covering, the window taking the input goes full screen too.
    bool BringWindowToFront(QWidget* window) override;

    bool isCovering() const { return m_covering; }

private:
    void cover();

    bool m_desktopHidden = false;
    bool m_taskBarHidden = false;
    bool m_covering = false;
    QSize m_normalMinimum;
    QSize m_normalMaximum;
    ScreenSaverInhibitor m_inhibitor;
};
