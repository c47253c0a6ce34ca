#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// What belongs to the whole run of the program; windows get their inputs as arguments instead.
struct ProgramState
{
    bool AdminLoggedIn = false;
    // As a widget: it is still asked about while its window is being destroyed.
    QPointer<QWidget> MainWindow;
};

ProgramState& State();
