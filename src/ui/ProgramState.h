#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QWidget>

// The program-wide state shared by the windows for the whole run.
struct ProgramState
{
    QString SelectedEmployee; // name taken from the main list
    bool PunchIsIn = false;   // direction of the punch waiting for the PIN
    bool AdminLoggedIn = false;
    int LoginMode = 0;       // 1 management, 2 start, 3 first run, 4 exit
    bool ModifyMode = false; // the employee window edits an existing employee
    QString CommandSwitch;   // "/np", "/sp" or anything else
    QString LastActionText;  // 45 characters, see ReadLastAction
    int MessageCode = 0;
    QPointer<QWidget> MessageReturnWindow;
    QPointer<QWidget> FrontWindow; // the window the lock-down keeps in front
    QPointer<QMainWindow> MainWindow;
};

ProgramState& State();
