#pragma once

#include <QObject>

#include <functional>

// Runs work after the next paint of any window of the program has reached the screen; called
// before the first window is shown, that is start-up work the first sight of the window need not
// wait for. Dropped if context is destroyed first.
void RunAfterFirstPaint(QObject* context, std::function<void()> work);
