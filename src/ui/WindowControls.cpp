#include "ui/WindowControls.h"

#include <QAbstractButton>
#include <QLabel>

void FitCaptions(QWidget* window)
{
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const bool hasCaption =
            (qobject_cast<QLabel*>(control) && !static_cast<QLabel*>(control)->text().isEmpty()) ||
            (qobject_cast<QAbstractButton*>(control) && !control->inherits("QPushButton"));
        if (!hasCaption || !control->parentWidget())
            continue;
        if (auto* label = qobject_cast<QLabel*>(control); label && label->wordWrap())
            continue;
        const int room = control->parentWidget()->width() - control->x() - 4;
        if (control->sizeHint().width() > control->width())
            control->resize(qMin(control->sizeHint().width(), qMax(room, control->width())),
                            control->height());
    }
}

void GrowToWrappedText(QLabel* label)
{
    const int grow = label->heightForWidth(label->width()) - label->height();
    if (grow <= 0)
        return;
    QWidget* window = label->parentWidget();
    const int labelBottom = label->geometry().bottom();
    const QList<QWidget*> siblings = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* sibling : siblings) {
        if (sibling->y() > labelBottom)
            sibling->move(sibling->x(), sibling->y() + grow);
    }
    label->resize(label->width(), label->height() + grow);
    window->setFixedSize(window->width(), window->height() + grow);
}
