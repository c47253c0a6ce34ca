#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// The pictures of the administration windows, drawn in code so that they stay sharp at any
// scale and need no image files.
namespace Artwork {

// Tab icons of the options window, in tab order: General, Passwords, Employees, Security.
QIcon generalIcon();
QIcon passwordsIcon();
QIcon employeesIcon();
QIcon securityIcon();
QList<QIcon> optionsTabIcons();

// What the lock-down hides: a task bar, desktop icons and a start menu.
QPixmap taskbarPicture();
QPixmap desktopIconsPicture();
QPixmap startMenuPicture();

// The program's own picture: a punch clock.
QPixmap programPicture(int size = 64);

} // namespace Artwork
