#include "platform/QtWorkstation.h"

#include <QWidget>

bool QtWorkstation::BringWindowToFront(QWidget* window)
{
    QWidget* target = WindowTakingInput(window);
    if (!target || !target->isVisible())
        return false;
    return QtBringToFront(target);
}
