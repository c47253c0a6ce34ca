#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QWidget>

// What belongs to the whole run of the program; windows get their inputs as arguments instead.
struct ProgramState
{
    bool AdminLoggedIn = false;
    QString CommandSwitch; // "/np", "/sp" or anything else
    QPointer<QMainWindow> MainWindow;
};

ProgramState& State();
