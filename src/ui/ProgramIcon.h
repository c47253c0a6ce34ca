#pragma once

#include <QIcon>

// The program's icon, drawn once as dist/org.horodex.Horodex.svg and compiled into the program:
// every window's icon and the About box's picture.
QIcon ProgramIcon();
