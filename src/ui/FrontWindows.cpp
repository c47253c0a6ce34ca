#include "ui/FrontWindows.h"

#include "ui/ProgramState.h"

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace {

class Tracker final : public QObject
{
public:
    using QObject::QObject;

    QWidget* top() const
    {
        for (auto it = m_open.crbegin(); it != m_open.crend(); ++it) {
            if (*it)
                return *it;
        }
        return nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        // A minimise or restore from the task bar (a spontaneous event) changes nothing.
        if ((type != QEvent::Show && type != QEvent::Hide) || event->spontaneous() ||
            !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!isOpenedOverAnother(window))
            return false;
        m_open.removeAll(window);
        m_open.removeAll(nullptr);
        if (type == QEvent::Show)
            m_open.append(window);
        return false;
    }

private:
    // Dialogs and other top-level windows; never menus, pop-ups or tool tips, which close by
    // themselves, nor the main window, nor a window that takes no keyboard (a screen cover).
    static bool isOpenedOverAnother(const QWidget* widget)
    {
        if (!widget->isWindow() || widget == State().MainWindow.data() ||
            widget->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
            return false;
        const Qt::WindowType type = widget->windowType();
        return type == Qt::Window || type == Qt::Dialog;
    }

    QList<QPointer<QWidget>> m_open; // in the order they were shown
};

Tracker* tracker = nullptr;

} // namespace

namespace FrontWindows {

void install()
{
    if (tracker || !qApp)
        return;
    tracker = new Tracker(qApp);
    qApp->installEventFilter(tracker);
}

QWidget* front()
{
    if (QWidget* open = tracker ? tracker->top() : nullptr)
        return open;
    return State().MainWindow.data();
}

} // namespace FrontWindows
