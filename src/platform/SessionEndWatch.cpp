#include "platform/SessionEndWatch.h"

#include <QCoreApplication>
#include <QEvent>

SessionEndWatch::SessionEndWatch(QObject* parent) : QObject(parent)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool SessionEndWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit)
        return false;
    // Left to itself, Qt would close every window as if the user had, asking the exit password.
    Q_EMIT sessionEnding();
    return true;
}
