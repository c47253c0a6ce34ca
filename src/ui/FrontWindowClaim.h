#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Makes a window the FrontWindow while it is shown and hands the role back when it hides, so that
// a lock-down running behind a modal window (as with "/sp") keeps that window in front rather
// than the one it blocks. Owned by the window.
class FrontWindowClaim : public QObject
{
public:
    static void install(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FrontWindowClaim(QWidget* window);

    QWidget* m_window;
    QPointer<QWidget> m_previous;
    bool m_holding = false;
};
