#pragma once

class QDialog;
class QWidget;

// Every dialog keeps the size it was laid out at: a title and a close button, and neither a
// minimise nor a maximise button, which a window manager otherwise offers on every window.
void UseFixedDialogFrame(QDialog* dialog);

// The main window keeps its size too, but may be minimised: the lock-down brings it back.
void UseMainWindowFrame(QWidget* window);
