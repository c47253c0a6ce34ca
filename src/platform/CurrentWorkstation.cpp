// The choice of the workstation for this session, apart from the interface so that the
// implementations, which include the interface, are not included back by it.
#include "platform/Workstation.h"

#include "platform/DesktopSession.h"
#include "platform/FullScreenWorkstation.h"
#include "platform/QtWorkstation.h"
#include "platform/X11Workstation.h"

#include <QGuiApplication>

namespace {

Workstation*& overrideWorkstation()
{
    static Workstation* w = nullptr;
    return w;
}

} // namespace

Workstation& CurrentWorkstation()
{
    if (overrideWorkstation())
        return *overrideWorkstation();
    const QString platform = QGuiApplication::platformName();
    // XWayland shows no panel as an X window: only covering them is left there.
    if (platform == QLatin1String("xcb") && !DesktopSession::isWayland()) {
        static X11Workstation x11;
        if (x11.isConnected())
            return x11;
    }
    // Without a screen there is no shell to cover.
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        static QtWorkstation portable;
        return portable;
    }
    static FullScreenWorkstation cover;
    return cover;
}

void SetWorkstationForTesting(Workstation* workstation)
{
    overrideWorkstation() = workstation;
}
