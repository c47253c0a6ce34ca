#pragma once

#include "platform/Workstation.h"

// Keeps a window in front with Qt alone; has no shell or screen saver to control.
class QtWorkstation : public Workstation
{
public:
    void HideDesktopIcons(bool) override {}
    void HideTaskBar(bool) override {}
    void ScreenSaverOff() override {}
    void ScreenSaverOn() override {}
    bool BringWindowToFront(QWidget* window) override;
};
