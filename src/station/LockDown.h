#pragma once

#include <QObject>

class QTimer;
class QWidget;

// Locks the workstation down while no administrator is logged in: hides the shell, keeps the
// screen saver off and holds the front window (FrontWindows::front) in front on every tick of the
// main window's tmrSecurity.
class LockDown : public QObject
{
    Q_OBJECT
public:
    explicit LockDown(QTimer* tmrSecurity, QObject* parent = nullptr);

    void SetLockDown(bool on);
    // On exactly when SecurityEnabled is "1".
    void ApplySecurityOption();
    void HideDesktopIcons(bool hide);
    void HideTaskBar(bool hide);
    void ScreenSaverOff();
    void ScreenSaverOn();
    bool BringWindowToFront(QWidget* window);

    bool isOn() const { return m_on; }

private:
    void tmrSecurity_Timer();

    QTimer* m_tmrSecurity;
    bool m_on = false;
};
