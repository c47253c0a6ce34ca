#pragma once

class QWidget;

// The windows the program opens over another, tracked for the whole application by one event
// filter on show and hide, so that the lock-down holds the topmost of them in front: a window
// needs to do nothing for it, and one that is forgotten cannot be covered by the main window.
namespace FrontWindows {

// Installs the filter on the application; later calls do nothing.
void install();

// The window to keep in front: the last one shown that is still open over the main window,
// otherwise the main window (State().MainWindow).
QWidget* front();

} // namespace FrontWindows
