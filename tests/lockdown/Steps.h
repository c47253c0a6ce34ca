#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// Steps that run, in order, each as soon as its condition holds, from a polling timer. Timers
// fire inside modal event loops too, so a test can act inside a window it opened with exec().
// Steps still waiting after a minute close every modal window, so that a step whose condition
// never holds (a click lost on a loaded machine) fails the test instead of hanging it in exec().
class Steps : public QObject
{
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    Steps()
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &Steps::poll);
    }

    Steps& when(Condition condition, Action action)
    {
        m_steps.append({std::move(condition), std::move(action)});
        if (!m_timer.isActive())
            m_giveUp.setRemainingTime(GiveUpAfterMs);
        m_timer.start();
        return *this;
    }

    bool done() const { return m_next == m_steps.size(); }
    int stepsDone() const { return int(m_next); }

private:
    static constexpr int GiveUpAfterMs = 60000;

    void poll()
    {
        if (!done() && m_giveUp.hasExpired()) {
            closeModalWindows();
            return;
        }
        if (m_busy || done())
            return;
        if (!m_steps[m_next].first())
            return;
        m_busy = true; // an action may spin an event loop of its own
        m_steps[m_next++].second();
        m_busy = false;
        if (done())
            m_timer.stop();
    }

    static void closeModalWindows()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || !w->isModal())
                continue;
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
            else
                w->close();
        }
    }

    QList<std::pair<Condition, Action>> m_steps;
    QDeadlineTimer m_giveUp;
    qsizetype m_next = 0;
    bool m_busy = false;
    QTimer m_timer;
};
