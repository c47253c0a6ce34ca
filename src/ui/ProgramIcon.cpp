#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

// Watches the application's events until a window has been painted once, then sets the icon
// after that paint has reached the screen, and goes.
class IconAfterFirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    QApplication::setWindowIcon(ProgramIcon());
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

QIcon ProgramIcon()
{
    return QIcon(QStringLiteral(":/icons/org.horodex.Horodex.svg"));
}

void SetProgramIconAfterFirstPaint()
{
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new IconAfterFirstPaint(app));
}
