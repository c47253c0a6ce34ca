#include "station/BadgeScanWatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

BadgeScanWatch::BadgeScanWatch(QWidget* mainWindow) : QObject(mainWindow), m_mainWindow(mainWindow)
{
    qApp->installEventFilter(this);
    connect(new BadgeKeyGate(mainWindow, this), &BadgeKeyGate::scanned, this,
            &BadgeScanWatch::scanned);
}

BadgeScanWatch::~BadgeScanWatch()
{
    qApp->removeEventFilter(this);
}

bool BadgeScanWatch::mainWindowInFront(QObject* receiver) const
{
    return m_mainWindow && m_mainWindow->windowHandle() == receiver &&
           !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
}

bool BadgeScanWatch::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches its window first and then each widget on the way to the focus: the window's
    // delivery counts each key once.
    if (event->type() != QEvent::KeyPress || !watched->isWindowType())
        return false;
    const BadgeScanner::Outcome outcome = m_scanner.keyPressed(*static_cast<QKeyEvent*>(event));
    if (outcome == BadgeScanner::Outcome::None)
        return false;
    if (!mainWindowInFront(watched)) {
        QApplication::beep();
        return true;
    }
    // After the key's delivery: a punch may open the PIN window, which must not run inside it.
    if (outcome == BadgeScanner::Outcome::Scanned)
        QMetaObject::invokeMethod(
            this, [this, code = m_scanner.code()] { Q_EMIT scanned(code); }, Qt::QueuedConnection);
    return true;
}
