#include "reports/WindowControls.h"

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
        const int room = control->parentWidget()->width() - control->x() - 4;
        const int wanted = control->sizeHint().width();
        if (wanted > control->width())
            control->resize(qMin(wanted, qMax(room, control->width())), control->height());
    }
}

void UseLayoutFont(QWidget* window)
{
    QFont font = window->font();
    font.setPointSize(8);
    window->setFont(font);
}
