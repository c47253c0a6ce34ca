#include "ui/BadgeKeyGate.h"

#include "data/BadgeFile.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QWidget>
#include <QWindow>

#include <iterator>
#include <utility>

namespace {

// Where Qt sends a key that reached window: a pop-up or a grab first, else the window's focus.
QObject* keyReceiver(QWindow* window)
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    if (QWidget* grabber = QWidget::keyboardGrabber())
        return grabber;
    return window->focusObject();
}

// A window opened modal since the key came shuts the windows under it out, as Qt would.
bool blockedByModal(const QObject* receiver)
{
    const QWidget* modal = QApplication::activeModalWidget();
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    if (!modal || !widget)
        return false;
    for (const QWidget* w = widget->window(); w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (w == modal)
            return false;
    }
    return true;
}

} // namespace

BadgeKeyGate::BadgeKeyGate(QWidget* mainWindow, QObject* parent)
    : QObject(parent), m_mainWindow(mainWindow), m_known(&BadgeKeyGate::isBadgeInUse)
{
    m_wait.setSingleShot(true);
    m_wait.setInterval(BadgeScanner::BurstGapMs);
    connect(&m_wait, &QTimer::timeout, this, &BadgeKeyGate::waited);
    qApp->installEventFilter(this);
}

BadgeKeyGate::~BadgeKeyGate()
{
    qApp->removeEventFilter(this);
}

void BadgeKeyGate::setKnownCode(KnownCode known)
{
    m_known = std::move(known);
}

bool BadgeKeyGate::isBadgeInUse(const QString& code)
{
    const Result<QString> normalized = NormalizeBadgeCode(code);
    if (!normalized)
        return false;
    const Result<QString> holder = BadgeHolder(*normalized);
    return holder && !holder->isEmpty();
}

bool BadgeKeyGate::canPunchIn(const QWindow* window) const
{
    return m_mainWindow && m_mainWindow->windowHandle() == window &&
           !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
}

bool BadgeKeyGate::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches its window first and then the widget with the focus: the window's delivery
    // sees each key once, and the keys handed on later go to the widget, past this filter.
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWindowType())
        return false;
    auto* window = static_cast<QWindow*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress)
        return keyPressed(window, *key);
    if (!key->isAutoRepeat() && m_swallowReleaseOf.remove(key->key()))
        return true;
    if (!m_holding)
        return false;
    hold(window, *key);
    return true;
}

bool BadgeKeyGate::keyPressed(QWindow* window, const QKeyEvent& key)
{
    switch (m_scanner.step(key)) {
    case BadgeScanner::Step::Modifier:
        // Held too: a reader's capital begins with Shift.
        hold(window, key);
        return true;
    case BadgeScanner::Step::FirstKey:
        release(TrailingModifiers::Keep);
        hold(window, key);
        return true;
    case BadgeScanner::Step::Character:
        hold(window, key);
        return true;
    case BadgeScanner::Step::BurstEnded: {
        const QString code = m_scanner.burst();
        const bool here = canPunchIn(window);
        if (!here && !(m_known && m_known(code)))
            break;
        drop();
        m_swallowReleaseOf.insert(key.key());
        scan(code, here);
        return true;
    }
    case BadgeScanner::Step::Other:
        break;
    }
    release();
    return false;
}

void BadgeKeyGate::waited()
{
    // A timer this late means the program stood still: keys typed meanwhile may wait unread.
    const bool late = m_sinceHeld.elapsed() > 2 * BadgeScanner::BurstGapMs;
    if (late && m_extraWaits < MaxExtraWaits) {
        ++m_extraWaits;
        m_sinceHeld.start();
        m_wait.start();
        return;
    }
    // Keys already read from the display go first.
    QTimer::singleShot(0, this, [this, count = m_heldCount] {
        if (count == m_heldCount)
            release();
    });
}

void BadgeKeyGate::hold(QWindow* window, const QKeyEvent& key)
{
    m_held.push_back({window, std::unique_ptr<QKeyEvent>(static_cast<QKeyEvent*>(key.clone()))});
    m_holding = true;
    ++m_heldCount;
    m_extraWaits = 0;
    m_sinceHeld.start();
    m_wait.start();
}

void BadgeKeyGate::release(TrailingModifiers trailing)
{
    // A key handed on may open a window with a loop of its own, in which this filter runs again.
    std::vector<HeldKey> held = std::exchange(m_held, {});
    if (trailing == TrailingModifiers::Keep) {
        auto first = held.end();
        while (first != held.begin() && BadgeScanner::isModifier(std::prev(first)->event->key()))
            --first;
        std::move(first, held.end(), std::back_inserter(m_held));
        held.erase(first, held.end());
    }
    m_holding = !m_held.empty();
    if (!m_holding)
        m_wait.stop();
    for (const HeldKey& h : held) {
        if (!h.window)
            continue;
        QObject* receiver = keyReceiver(h.window);
        if (receiver && !blockedByModal(receiver))
            QCoreApplication::sendEvent(receiver, h.event.get());
    }
}

void BadgeKeyGate::drop()
{
    m_holding = false;
    m_wait.stop();
    QSet<int> down;
    for (const HeldKey& h : m_held) {
        if (h.event->type() == QEvent::KeyPress)
            down.insert(h.event->key());
        else
            down.remove(h.event->key());
    }
    m_swallowReleaseOf.unite(down);
    m_held.clear();
}

void BadgeKeyGate::scan(const QString& code, bool here)
{
    // A repeat goes on like any scan: the station judges it, counting only the reads it punched.
    if (!here && !isSignalConnected(QMetaMethod::fromSignal(&BadgeKeyGate::scannedElsewhere))) {
        QApplication::beep();
        return;
    }
    // After the key's delivery: a punch may open the PIN window, which must not run inside it.
    QMetaObject::invokeMethod(
        this,
        [this, code, here] {
            if (here)
                Q_EMIT scanned(code);
            else
                Q_EMIT scannedElsewhere(code);
        },
        Qt::QueuedConnection);
}
