#pragma once

#include <QStringList>

class QWidget;

// What does not fit among the captions of window's visible controls: each label, check box,
// option button, push button, tab and frame caption is measured in its control's font against the
// room the style gives it, and against the control and every frame that clips it on the way to the
// window. Each entry names the control; a caption drawn in a font smaller than the program's is
// reported too.
QStringList misfitsOf(QWidget* window);
