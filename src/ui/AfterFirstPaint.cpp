#include "ui/AfterFirstPaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Watches the application's events until a window has been painted once, then queues the work
// behind that paint, and goes.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QObject* context, std::function<void()> work)
        : QObject(QCoreApplication::instance()), m_context(context), m_work(std::move(work))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_context)
                        m_work();
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QPointer<QObject> m_context;
    std::function<void()> m_work;
};

} // namespace

void RunAfterFirstPaint(QObject* context, std::function<void()> work)
{
    new FirstPaintWatch(context, std::move(work));
}
