#include "ui/BadgeScanner.h"

#include <QKeyEvent>

namespace {

bool isModifier(int key)
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

} // namespace

BadgeScanner::Outcome BadgeScanner::keyPressed(const QKeyEvent& event)
{
    return keyPressed(event.key(), event.text(), event.timestamp(), event.isAutoRepeat());
}

BadgeScanner::Outcome BadgeScanner::keyPressed(int key, const QString& text, quint64 timestamp,
                                               bool autoRepeat)
{
    // A reader presses Shift for capitals between its keys: that is neither a gap nor a key.
    if (isModifier(key))
        return Outcome::None;
    const bool inTime =
        m_count > 0 && timestamp >= m_lastKey && timestamp - m_lastKey <= BurstGapMs;
    m_lastKey = timestamp;
    if (autoRepeat) {
        // A key held down repeats as fast as a reader types.
        restart();
        return Outcome::None;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const bool scan = inTime && m_count >= MinCodeLength;
        const QString code = m_burst;
        restart();
        if (!scan)
            return Outcome::None;
        const bool repeated = code == m_code && m_lastScanAt && timestamp >= *m_lastScanAt &&
                              timestamp - *m_lastScanAt <= RepeatGuardMs;
        m_code = code;
        m_lastScanAt = timestamp;
        return repeated ? Outcome::Repeated : Outcome::Scanned;
    }
    if (text.size() != 1 || !text[0].isPrint()) {
        restart();
        return Outcome::None;
    }
    if (!inTime)
        restart();
    if (m_burst.size() < KeptCharacters)
        m_burst += text;
    ++m_count;
    return Outcome::None;
}
