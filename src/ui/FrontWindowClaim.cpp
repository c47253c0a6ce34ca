#include "ui/FrontWindowClaim.h"

#include "ui/ProgramState.h"

#include <QEvent>
#include <QWidget>

FrontWindowClaim::FrontWindowClaim(QWidget* window) : QObject(window), m_window(window) {}

void FrontWindowClaim::install(QWidget* window)
{
    window->installEventFilter(new FrontWindowClaim(window));
}

bool FrontWindowClaim::eventFilter(QObject* watched, QEvent* event)
{
    // A minimise or restore from the task bar (a spontaneous event) keeps the claim as it is.
    if (watched == m_window && !event->spontaneous()) {
        if (event->type() == QEvent::Show && !m_holding) {
            m_previous = State().FrontWindow;
            State().FrontWindow = m_window;
            m_holding = true;
        } else if (event->type() == QEvent::Hide && m_holding) {
            if (State().FrontWindow == m_window)
                State().FrontWindow = m_previous;
            m_holding = false;
        }
    }
    return QObject::eventFilter(watched, event);
}
