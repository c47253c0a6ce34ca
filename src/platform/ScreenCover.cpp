#include "platform/ScreenCover.h"

#include <QGuiApplication>
#include <QScreen>

ScreenCover::ScreenCover()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                           Qt::WindowDoesNotAcceptFocus)
{
    // No parent: a window manager keeps a window's transients above it, and this lies below.
    setObjectName(QStringLiteral("screenCover"));
    setWindowTitle(QStringLiteral("Horodex"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    setPalette(dark);
    setAutoFillBackground(true);
}

void ScreenCover::showOn(QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    show();
    // Without a window manager a new window maps on top of the others.
    lower();
}
