#pragma once

#include <QString>

#include <optional>

class QKeyEvent;

// Tells a badge reader from a person at the keyboard. A reader types a card's code as a burst of
// keys, each within BurstGapMs of the one before, and ends it with Enter; a person is slower.
// Times are the key events' own timestamps, in milliseconds. keyPressed() takes every such burst
// for a scan; a window that must first know where the keys went asks step() and then accept().
class BadgeScanner
{
public:
    static constexpr int BurstGapMs = 50;
    static constexpr int MinCodeLength = 4;
    // Longer bursts are still told apart from typing, but only this much of them is kept: far
    // more than any code, so that a code too long is reported with its own length.
    static constexpr int KeptCharacters = 1024;
    // The same card read again this soon is one scan, not a second punch.
    static constexpr int RepeatGuardMs = 2000;

    enum class Outcome {
        None,     // not the end of a scan: the key goes on to its widget
        Scanned,  // a scan ended with this Enter: code() holds it; the Enter is claimed
        Repeated, // the same code again within RepeatGuardMs: the Enter is claimed, nothing else
    };

    // What one key does to the burst.
    enum class Step {
        Modifier,   // Shift and the like, which a reader presses between its keys: no key at all
        Character,  // a printable character within the gap of the one before
        FirstKey,   // a printable character that begins a burst: what came before was typing
        BurstEnded, // Enter ending a burst long and fast enough for a scan: burst() holds it
        Other,      // any other key, a late Enter too: the burst, if any, was typing
    };

    // A key pressed: the key (Qt::Key), the text it types and its timestamp.
    Outcome keyPressed(int key, const QString& text, quint64 timestamp, bool autoRepeat = false);
    Outcome keyPressed(const QKeyEvent& event);

    Step step(int key, const QString& text, quint64 timestamp, bool autoRepeat = false);
    Step step(const QKeyEvent& event);
    // Shift and the like: pressed between a reader's keys, they neither end nor begin a burst.
    static bool isModifier(int key);

    // The burst that the last BurstEnded step ended.
    QString burst() const { return m_ended; }
    // Takes the burst that ended at timestamp as a scan.
    Outcome accept(const QString& code, quint64 timestamp);

    // The code of the last scan, as typed (up to KeptCharacters characters).
    QString code() const { return m_code; }

private:
    void restart() { m_burst.clear(), m_count = 0; }

    QString m_burst;
    int m_count = 0;
    quint64 m_lastKey = 0;
    QString m_ended;
    QString m_code;
    std::optional<quint64> m_lastScanAt;
};
