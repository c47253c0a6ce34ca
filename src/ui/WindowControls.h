#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;

// A control of kind Control with its name (the object name tests find it by), its caption and
// its place in parent.
template <typename Control>
Control* NamedControl(QWidget* parent, const char* name, const QString& caption, const QRect& rect)
{
    auto* control = new Control(caption, parent);
    if (name)
        control->setObjectName(QLatin1String(name));
    control->setGeometry(rect);
    return control;
}

// A caption may still be wider than the rectangle it was drawn with: each label, check box and
// option button under window is widened to its text, as far as the frame that holds it allows.
void FitCaptions(QWidget* window);

// The room the longest name of the widest letters takes in font: as many of its widest capital
// as a name may hold.
int WidestNameWidth(const QFont& font);
// A control that shows an employee's name is widened, when it is narrower, until such a name
// shows whole in its font.
void FitWidestName(QLabel* label);
void FitWidestName(QLineEdit* box);

// A word-wrapped label whose text needs more lines than its rectangle holds grows downwards;
// the controls below it move down and its window grows by as much.
void GrowToWrappedText(QLabel* label);
