#pragma once

#include "ui/BadgeScanner.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QWidget;
class QWindow;

// Holds the keys of a burst until it is known to be a badge reader's scan or typing, so that a
// scan's keys reach no control: a list would search with its letters, a box would keep them. A
// key is held at most BadgeScanner::BurstGapMs after the one before it; typing is then handed on
// to the window's focus, in order and unchanged. A burst ending with Enter is a scan where a scan
// can punch (the main window in front, nothing modal over it) or when its code is a known badge;
// anywhere else it is typing, Enter and all: a password typed by a program is a password.
class BadgeKeyGate : public QObject
{
    Q_OBJECT
public:
    using KnownCode = std::function<bool(const QString& code)>;

    // Watches the application's keys for as long as it lives.
    BadgeKeyGate(QWidget* mainWindow, QObject* parent);
    ~BadgeKeyGate() override;

    // Whether a code belongs to a badge in use; by default the badge file is asked.
    void setKnownCode(KnownCode known);

    // A badge in use according to the badge file of the data folder.
    static bool isBadgeInUse(const QString& code);

Q_SIGNALS:
    // A scan on the main window, after the Enter's delivery has ended.
    void scanned(const QString& code);
    // A known badge scanned while another window is in front; with nobody listening it beeps.
    void scannedElsewhere(const QString& code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct HeldKey
    {
        QPointer<QWindow> window;
        std::unique_ptr<QKeyEvent> event;
    };

    bool keyPressed(QWindow* window, const QKeyEvent& key);
    bool canPunchIn(const QWindow* window) const;
    void hold(QWindow* window, const QKeyEvent& key);
    // No key since the last one held, for the gap.
    void waited();
    enum class TrailingModifiers { Release, Keep };
    // The held keys were typing: each goes where Qt would have sent it. Shift and the like held
    // last may instead begin the next burst.
    void release(TrailingModifiers trailing = TrailingModifiers::Release);
    // The held keys were a scan: none reaches a window, nor do their releases.
    void drop();
    void scan(const QString& code, bool here);

    QPointer<QWidget> m_mainWindow;
    KnownCode m_known;
    BadgeScanner m_scanner;
    std::vector<HeldKey> m_held;
    bool m_holding = false;
    QSet<int> m_swallowReleaseOf;
    QTimer m_wait;
    QElapsedTimer m_sinceHeld;
    static constexpr int MaxExtraWaits = 3;
    int m_extraWaits = 0;
    quint64 m_heldCount = 0; // tells a late timer from one for the keys held since
};
