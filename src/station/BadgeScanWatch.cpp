#include "station/BadgeScanWatch.h"

#include "station/frmPin.h"

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

bool BadgeScanWatch::scanMayPunch(QObject* receiver) const
{
    if (!m_mainWindow || QApplication::activePopupWidget())
        return false;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return m_mainWindow->windowHandle() == receiver;
    // A keypad waits for one person's PIN; the next person's card closes it and punches.
    return qobject_cast<frmPin*>(modal) && modal->windowHandle() == receiver;
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
    if (!scanMayPunch(watched)) {
        QApplication::beep();
        return true;
    }
    // After the key's delivery: a punch may open the PIN window, which must not run inside it.
    // A repeat is the desk's to judge, which counts only the reads it punched.
    QMetaObject::invokeMethod(
        this, [this, code = m_scanner.code()] { Q_EMIT scanned(code); }, Qt::QueuedConnection);
    return true;
}
