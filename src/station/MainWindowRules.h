#pragma once

#include <QString>

// What the main window decides, apart from any window, so that a test can ask it directly.

// The start-up switch: the first three characters of the command line, compared exactly. "/np"
// is what the program passes to itself when it restarts; "/sp" opens the menus of management.
enum class CommandSwitch { None, NoPassword, OpenMenus };

// Why the program is asked to close. A cancelled start or first-run login ends the program as
// the user's close does, without asking for the exit password.
enum class CloseReason { User, TaskManager, SessionEnd, LoginCancelled };

// What a close does besides giving the desktop back, which every close does.
struct ClosePlan
{
    bool askExitPassword = false;        // the exit password decides whether the program closes
    bool closeOtherWindows = false;      // its other windows close with it
    bool restartWithoutPassword = false; // a copy starts again with "/np", still locked down
};

ClosePlan ClosePlanFor(CloseReason reason, bool askOnExit, bool adminLoggedIn);

// Which login, if any, stands before the main window at start.
enum class StartLogin { None, FirstRun, Start };

StartLogin StartLoginFor(bool haveSettings, bool askOnStart, CommandSwitch commandSwitch);

// The caption of the main window; waiting is the count of punches not yet sent, or empty.
QString MainWindowCaption(bool adminLoggedIn, const QString& waiting);
// What the caption and the window itself say while an administrator is logged in.
QString AdminLoggedInText();

// The text of the menu entry that logs the administrator in or out.
QString AdminLoginEntryText(bool adminLoggedIn);
