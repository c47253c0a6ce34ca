#include "platform/FullScreenWorkstation.h"

#include "platform/DesktopSession.h"
#include "platform/ScreenSaverInhibitor.h"

#include "ui/ProgramState.h"

#include <QGuiApplication>
#include <QWidget>

void FullScreenWorkstation::HideDesktopIcons(bool hide)
{
    m_desktopHidden = hide;
    cover();
}

void FullScreenWorkstation::HideTaskBar(bool hide)
{
    m_taskBarHidden = hide;
    cover();
}

QString FullScreenWorkstation::panelNotice() const
{
    // A kiosk compositor shows no panels and blanks nothing by itself.
    if (DesktopSession::isKiosk())
        return QString();
    if (ScreenSaverInhibitor::serviceExists())
        return DesktopSession::panelNotice();
    return DesktopSession::panelNotice() + u' ' + DesktopSession::screenSaverNotice();
}

void FullScreenWorkstation::cover()
{
    QWidget* main = State().MainWindow.data();
    // A kiosk compositor already gives its one program the whole output and shows no panels.
    const bool wanted = (m_desktopHidden || m_taskBarHidden) && !DesktopSession::isKiosk();
    if (!main || wanted == m_covering)
        return;
    m_covering = wanted;
    const bool wasVisible = main->isVisible();
    // Changing the flags of a shown window hides it; show it again as it was.
    main->setWindowFlag(Qt::WindowStaysOnTopHint, wanted);
    // The window keeps its size at other times; covering the screen needs the limits lifted.
    if (wanted) {
        m_normalMinimum = main->minimumSize();
        m_normalMaximum = main->maximumSize();
        main->setMinimumSize(0, 0);
        main->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        main->setWindowState(main->windowState() | Qt::WindowFullScreen);
    } else {
        main->setWindowState(main->windowState() & ~Qt::WindowFullScreen);
        main->setMinimumSize(m_normalMinimum);
        main->setMaximumSize(m_normalMaximum);
    }
    if (wasVisible)
        main->show();
}

bool FullScreenWorkstation::BringWindowToFront(QWidget* window)
{
    QWidget* target = WindowTakingInput(window);
    // The compositor centres a smaller full-screen window on black, over the station. Window
    // managers of X (XWayland) keep a dialog above its full-screen owner by themselves.
    if (m_covering && target && target != State().MainWindow.data() && target->isVisible() &&
        !target->isFullScreen() && QGuiApplication::platformName() == QLatin1String("wayland"))
        target->setWindowState(target->windowState() | Qt::WindowFullScreen);
    return QtWorkstation::BringWindowToFront(window);
}
