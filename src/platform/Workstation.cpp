#include "platform/Workstation.h"

#include <QApplication>
#include <QWidget>

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
