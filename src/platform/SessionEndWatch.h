#pragma once

#include <QObject>

// Tells when the session manager ends the session. With Qt, its die message reaches the program
// as a Quit event to the application (on X11 through XSMP); a session save (commitDataRequest,
// saveStateRequest) is only a checkpoint and is not an end. The program itself therefore ends
// its event loop with QCoreApplication::exit, never with a Quit event. A lost display connection
// ends the program inside Qt at once, without clean-up.
class SessionEndWatch : public QObject
{
    Q_OBJECT
public:
    explicit SessionEndWatch(QObject* parent = nullptr);

Q_SIGNALS:
    // The session ends: close without asking, giving the desktop back.
    void sessionEnding();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
