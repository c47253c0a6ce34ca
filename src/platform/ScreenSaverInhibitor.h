#pragma once

#include <QtGlobal>

// The freedesktop screen-saver inhibit of the session, where a session bus exists. The desktop
// drops an inhibit by itself when the program's bus connection goes away, so a killed copy
// leaves nothing behind.
class ScreenSaverInhibitor
{
public:
    // Takes the inhibit unless it is already held; silently does nothing without a session bus
    // or a screen-saver service.
    void inhibit();
    // Hands back the inhibit taken by inhibit(), if any.
    void release();

    bool isHeld() const { return m_held; }

    // True when the session has a bus to ask: its address is given, or the standard per-user
    // socket exists. Never starts a bus of its own.
    static bool sessionBusExists();
    // True when the session's bus has a screen-saver service to ask.
    static bool serviceExists();

private:
    bool m_held = false;
    quint32 m_cookie = 0;
};
