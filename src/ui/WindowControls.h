#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

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

// The windows are laid out in twips for an 8-point interface font. Where the font of this
// desktop is wider, a caption would be cut: each label, check box and option button under
// window is widened to its text, as far as the frame that holds it allows, and where that is
// not enough its font is made a little smaller.
void FitCaptions(QWidget* window);

// The 8-point interface font the twips layouts were made for.
void UseLayoutFont(QWidget* window);
// The same for every window of the program.
void UseLayoutFontEverywhere();
