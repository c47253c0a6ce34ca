#include "platform/QtWorkstation.h"

#include <QApplication>
#include <QWidget>

bool QtWorkstation::BringWindowToFront(QWidget* window)
{
    if (!window || !window->isVisible())
        return false;
    if (QApplication::activeWindow() == window && !window->isMinimized())
        return true;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    return QApplication::activeWindow() == window;
}
