#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// Steps that run, in order, each as soon as its condition holds, from a polling timer. Timers
// fire inside modal event loops too, so a test can act inside a window it opened with exec().
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
        m_timer.start();
        return *this;
    }

    bool done() const { return m_next == m_steps.size(); }
    int stepsDone() const { return int(m_next); }

private:
    void poll()
    {
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

    QList<std::pair<Condition, Action>> m_steps;
    qsizetype m_next = 0;
    bool m_busy = false;
    QTimer m_timer;
};
