#include "platform/Workstation.h"

#include "platform/DesktopSession.h"
#include "platform/FullScreenWorkstation.h"
#include "platform/QtWorkstation.h"
#include "platform/X11Workstation.h"

#include <QApplication>
#include <QWidget>

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

QWidget* WindowTakingInput(QWidget* window)
{
    if (!window || !window->isVisible())
        return window;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != window && modal->isVisible())
        return modal;
    return window;
}

bool QtBringToFront(QWidget* window)
{
    if (QApplication::activeWindow() == window && !window->isMinimized())
        return true;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
    return QApplication::activeWindow() == window;
}
