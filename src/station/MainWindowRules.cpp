#include "station/MainWindowRules.h"

ClosePlan ClosePlanFor(CloseReason reason, bool askOnExit, bool adminLoggedIn)
{
    ClosePlan plan;
    switch (reason) {
    case CloseReason::TaskManager:
        // Ended from outside while the exit is guarded: the station comes back at once.
        plan.restartWithoutPassword = askOnExit;
        break;
    case CloseReason::SessionEnd:
        // Nothing is asked and nothing restarted, but the desktop is given back.
        break;
    case CloseReason::User:
        plan.askExitPassword = askOnExit && !adminLoggedIn;
        plan.closeOtherWindows = true;
        break;
    case CloseReason::LoginCancelled:
        plan.closeOtherWindows = true;
        break;
    }
    return plan;
}

StartLogin StartLoginFor(bool haveSettings, bool askOnStart, CommandSwitch commandSwitch)
{
    if (!haveSettings)
        return StartLogin::FirstRun;
    if (askOnStart && commandSwitch != CommandSwitch::NoPassword)
        return StartLogin::Start;
    return StartLogin::None;
}

QString MainWindowCaption(bool adminLoggedIn, const QString& waiting)
{
    if (!adminLoggedIn)
        return QStringLiteral("Horodex");
    QString caption = QStringLiteral("Horodex ") + AdminLoggedInText();
    if (!waiting.isEmpty())
        caption += QStringLiteral(" - ") + waiting;
    return caption;
}

QString AdminLoggedInText()
{
    return QStringLiteral("ADMINISTRATOR LOGGED IN");
}

QString AdminLoginEntryText(bool adminLoggedIn)
{
    return adminLoggedIn ? QStringLiteral("Deactivate Administrator Functions")
                         : QStringLiteral("Activate Administrator Functions");
}
