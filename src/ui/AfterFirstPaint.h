#pragma once

#include <QObject>

#include <functional>

// Runs work once the first window of the program has been painted, after that paint has reached
// the screen: for start-up work that the first sight of the window need not wait for. Dropped if
// context is destroyed first.
void RunAfterFirstPaint(QObject* context, std::function<void()> work);
