#include "station/LockDown.h"

#include "data/OptionsRecord.h"
#include "platform/Workstation.h"
#include "ui/FrontWindows.h"

#include <QTimer>

LockDown::LockDown(QTimer* tmrSecurity, QObject* parent)
    : QObject(parent), m_tmrSecurity(tmrSecurity)
{
    FrontWindows::install();
    m_tmrSecurity->setInterval(200);
    m_tmrSecurity->stop();
    connect(m_tmrSecurity, &QTimer::timeout, this, &LockDown::tmrSecurity_Timer);
}

void LockDown::SetLockDown(bool on)
{
    HideDesktopIcons(on);
    HideTaskBar(on);
    if (on)
        m_tmrSecurity->start();
    else
        m_tmrSecurity->stop();
    m_on = on;
    if (on)
        ScreenSaverOff();
    else
        ScreenSaverOn();
}

void LockDown::ApplySecurityOption()
{
    SetLockDown(OptionsRecord::isOn(GlobalOptions().SecurityEnabled));
}

void LockDown::HideDesktopIcons(bool hide)
{
    CurrentWorkstation().HideDesktopIcons(hide);
}

void LockDown::HideTaskBar(bool hide)
{
    CurrentWorkstation().HideTaskBar(hide);
}

void LockDown::ScreenSaverOff()
{
    CurrentWorkstation().ScreenSaverOff();
}

void LockDown::ScreenSaverOn()
{
    CurrentWorkstation().ScreenSaverOn();
}

bool LockDown::BringWindowToFront(QWidget* window)
{
    return CurrentWorkstation().BringWindowToFront(window);
}

void LockDown::tmrSecurity_Timer()
{
    BringWindowToFront(FrontWindows::front());
}
