#include "ui/WindowControls.h"

#include "data/EmployeeList.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

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

int WidestNameWidth(const QFont& font)
{
    const QFontMetrics metrics(font);
    int widest = 0;
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(letter)));
    return widest * MaxNameLength;
}

void FitWidestName(QLabel* label)
{
    const int needed = WidestNameWidth(label->font()) + 2 * label->margin() + 1;
    if (label->width() < needed)
        label->resize(needed, label->height());
}

void FitWidestName(QLineEdit* box)
{
    // Qt's own hint is 17 of "x" and the box's margins and frame; the margins and frame stay.
    const int frame = box->sizeHint().width() - 17 * box->fontMetrics().horizontalAdvance(u'x');
    box->setMinimumWidth(std::max(box->minimumWidth(), WidestNameWidth(box->font()) + frame));
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
