#pragma once

#include <QIcon>

// The program's icon, drawn once as dist/org.horodex.Horodex.svg and compiled into the program:
// every window's icon and the About box's picture.
QIcon ProgramIcon();

// Gives every window the program's icon once the first window has been drawn: reading the
// picture loads the SVG icon engine and the image plugins, which the first paint need not wait
// for. Windows already shown take the icon then too.
void SetProgramIconAfterFirstPaint();
