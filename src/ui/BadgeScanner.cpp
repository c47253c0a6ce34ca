#include "ui/BadgeScanner.h"

#include <QKeyEvent>

bool BadgeScanner::isModifier(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

BadgeScanner::Outcome BadgeScanner::keyPressed(const QKeyEvent& event)
{
    return keyPressed(event.key(), event.text(), event.timestamp(), event.isAutoRepeat());
}

BadgeScanner::Outcome BadgeScanner::keyPressed(int key, const QString& text, quint64 timestamp,
                                               bool autoRepeat)
{
    if (step(key, text, timestamp, autoRepeat) != Step::BurstEnded)
        return Outcome::None;
    return accept(m_ended, timestamp);
}

BadgeScanner::Step BadgeScanner::step(const QKeyEvent& event)
{
    return step(event.key(), event.text(), event.timestamp(), event.isAutoRepeat());
}

BadgeScanner::Step BadgeScanner::step(int key, const QString& text, quint64 timestamp,
                                      bool autoRepeat)
{
    if (isModifier(key))
        return Step::Modifier;
    const bool inTime =
        m_count > 0 && timestamp >= m_lastKey && timestamp - m_lastKey <= BurstGapMs;
    m_lastKey = timestamp;
    if (autoRepeat) {
        // A key held down repeats as fast as a reader types.
        restart();
        return Step::Other;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const bool scan = inTime && m_count >= MinCodeLength;
        m_ended = scan ? m_burst : QString();
        restart();
        return scan ? Step::BurstEnded : Step::Other;
    }
    if (text.size() != 1 || !text[0].isPrint()) {
        restart();
        return Step::Other;
    }
    if (!inTime)
        restart();
    if (m_burst.size() < KeptCharacters)
        m_burst += text;
    ++m_count;
    return m_count == 1 ? Step::FirstKey : Step::Character;
}

BadgeScanner::Outcome BadgeScanner::accept(const QString& code, quint64 timestamp)
{
    const bool repeated = code == m_code && m_lastScanAt && timestamp >= *m_lastScanAt &&
                          timestamp - *m_lastScanAt <= RepeatGuardMs;
    m_code = code;
    m_lastScanAt = timestamp;
    return repeated ? Outcome::Repeated : Outcome::Scanned;
}
