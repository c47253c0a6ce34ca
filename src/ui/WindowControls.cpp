#include "ui/WindowControls.h"

#include <QAbstractButton>
#include <QApplication>
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
        // Where even the frame is too narrow, a slightly smaller font keeps the caption whole.
        QFont font = control->font();
        while (control->sizeHint().width() > control->width() && font.pointSizeF() > 6.5) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
            control->setFont(font);
        }
    }
}

static QFont layoutFont(QFont font)
{
    font.setPointSize(8);
    return font;
}

void UseLayoutFont(QWidget* window)
{
    window->setFont(layoutFont(window->font()));
}

void UseLayoutFontEverywhere()
{
    QApplication::setFont(layoutFont(QApplication::font()));
}
