#pragma once

#include <QWidget>

class QScreen;

// A plain window over a whole screen, under the program's own windows: the clicks meant for the
// bare desktop (a window manager's root menu, a wheel turn that switches desktops) land on it.
// It never takes the keyboard focus, so it is never the window to hold in front.
class ScreenCover : public QWidget
{
public:
    ScreenCover();

    // Covers the screen (the primary one when null) and shows below the other windows.
    void showOn(QScreen* screen);
};
