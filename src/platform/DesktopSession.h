#pragma once

#include <QString>

// What kind of desktop session the program runs in, read from the session's environment.
namespace DesktopSession {

// True in a Wayland session, also when the program draws through XWayland: the panels there
// are not X windows, so nothing on the X side can hide them.
bool isWayland();
// True under a kiosk compositor that shows one program and no panels: the "Horodex time clock"
// session sets HORODEX_KIOSK=1, and a compositor process named "cage" counts as well.
bool isKiosk();
// In a Wayland session, chooses Qt's native Wayland platform unless QT_QPA_PLATFORM already
// names one; call before the application object exists.
void preferNativeWayland();
// The words the options window shows when the desktop's panels cannot be hidden.
QString panelNotice();
// The words added when the desktop offers the program no way to hold its screen saver off.
QString screenSaverNotice();
// The desktop's name as its user knows it: the first of XDG_CURRENT_DESKTOP, otherwise the
// compositor's program name; "This desktop" when neither is known.
QString desktopName();

} // namespace DesktopSession
