#pragma once

#include "app/ProgramState.h"

#include <QPointer>
#include <QWidget>

// Makes a window the FrontWindow while it is shown and hands the role back when it hides, so that
// a lock-down running behind a modal window (as with "/sp") keeps that window in front rather
// than the one it blocks.
class FrontWindowClaim
{
public:
    void claim(QWidget* window)
    {
        m_previous = State().FrontWindow;
        m_window = window;
        State().FrontWindow = window;
    }

    void release()
    {
        if (m_window && State().FrontWindow == m_window)
            State().FrontWindow = m_previous;
        m_window = nullptr;
    }

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_previous;
};
