#pragma once

#include <QString>

#include <optional>

class QKeyEvent;

// Tells a badge reader from a person at the keyboard. A reader types a card's code as a burst of
// keys, each within BurstGapMs of the one before, and ends it with Enter; a person is slower. The
// scanner only watches: the keys of a burst still reach their widget, and only the Enter that ends
// a scan is claimed. Times are the key events' own timestamps, in milliseconds.
class BadgeScanner
{
public:
    static constexpr int BurstGapMs = 50;
    static constexpr int MinCodeLength = 4;
    // Longer bursts are still told apart from typing, but only this much of them is kept.
    static constexpr int KeptCharacters = 65;
    // The same card read again this soon is one scan, not a second punch.
    static constexpr int RepeatGuardMs = 2000;

    enum class Outcome {
        None,     // not the end of a scan: the key goes on to its widget
        Scanned,  // a scan ended with this Enter: code() holds it; the Enter is claimed
        Repeated, // the same code again within RepeatGuardMs: the Enter is claimed, nothing else
    };

    // A key pressed: the key (Qt::Key), the text it types and its timestamp.
    Outcome keyPressed(int key, const QString& text, quint64 timestamp, bool autoRepeat = false);
    Outcome keyPressed(const QKeyEvent& event);

    // The code of the last scan, as typed (up to KeptCharacters characters).
    QString code() const { return m_code; }

private:
    void restart() { m_burst.clear(), m_count = 0; }

    QString m_burst;
    int m_count = 0;
    quint64 m_lastKey = 0;
    QString m_code;
    std::optional<quint64> m_lastScanAt;
};
