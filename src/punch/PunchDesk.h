#pragma once

#include "data/Result.h"
#include "data/TimeFile.h"
#include "punch/ForgottenOut.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class PunchStore;

// What the station shows of an employee once his name is chosen.
struct PunchState
{
    bool validFile = true;  // false: his time file is damaged, and nothing else is shown
    bool in = false;        // his last punch is an IN: OUT is offered, else IN
    QString strip;          // the strip under the buttons; empty without a punch
    bool pinNeeded = false; // his PIN stands before his punch
};

// Who a scanned code punches, or why nobody: then the message says so and nothing is written.
struct BadgeHolding
{
    QString name;          // empty: nobody is punched
    QString message;       // why nobody
    bool critical = false; // the badges could not be read, rather than this badge
};

// The desk's answer to a badge scan: whom it punches, or why it writes nothing.
struct ScanAnswer
{
    enum class Kind {
        Punch,   // punch name in the direction given, as choosing him and pressing it does
        Repeat,  // the same card read again at once: nothing at all happens
        Refused, // nobody is punched; message says why
        TooSoon, // name punched within the minimum time: message shows his last punch
    };
    Kind kind = Kind::Refused;
    QString name;
    bool in = false;
    QString message;
    bool critical = false; // the badges could not be read, rather than this badge
};

// What stands between a chosen name and his punch.
enum class BeforePunch { Nothing, Pin, DamagedFile };

// Every decision of a punch, apart from any window: the state of an employee, the punch itself
// and the holder of a scanned badge. The windows ask it and show its answers; it reads the
// settings of the data folder and records through the store it is given.
class PunchDesk
{
public:
    explicit PunchDesk(PunchStore& store) : m_store(&store) {}

    void setStore(PunchStore& store) { m_store = &store; }

    // Fails when his last punch cannot be read.
    Result<PunchState> stateOf(const QString& name) const;

    BeforePunch beforePunch(const QString& name) const;

    // The punch for the current time, as written, or why it is not on disk (the screen then
    // shows nothing new).
    Result<TimeRecord> punch(const QString& name, bool isIn) const;

    // The state after a punch: the strip shows it and the other button is offered.
    PunchState stateAfter(const TimeRecord& punched) const;

    // The employee a scanned code punches; listed tells whether a name is in the station's list.
    BadgeHolding holderOf(const QString& scannedCode,
                          const std::function<bool(const QString&)>& listed) const;

    // The answer to a scanned code, and whether it is a repeat. Only a scan that goes on to punch
    // arms the repeat guard, and a repeat leaves it as it was, so that a card resting on the
    // reader punches once per guard period.
    ScanAnswer answerScan(const QString& scannedCode,
                          const std::function<bool(const QString&)>& listed);
    bool isRepeat(const QString& scannedCode) const;

    // The question about an OUT he forgot, asked before his punch: the last punch of his time
    // file is an IN older than the open-IN limit (the shifts file's; 16 hours without it).
    std::optional<ForgottenOut::Question> forgottenOut(const QString& name) const;
    // His answer written: the OUT when he left (and an IN now when he is arriving), or, without
    // a time, an OUT now flagged for the manager.
    Result<ForgottenOut::Declared> answerForgottenOut(const QString& name,
                                                      const std::optional<QDateTime>& leftAt,
                                                      bool arriving) const;

    // The same card read again this soon is one scan.
    static constexpr qint64 RepeatGuardMs = 2000;
    // A steady clock in milliseconds for the repeat guard; tests give their own.
    void setSteadyClock(std::function<qint64()> clock) { m_steadyClock = std::move(clock); }

private:
    PunchState shownState(const std::optional<TimeRecord>& last) const;

    PunchStore* m_store;
    std::function<qint64()> m_steadyClock = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    QString m_guardedCode;
    qint64 m_guardedSince = 0;
};

// Whether a punch at `now` comes within the minimum time after `last` (a clock set back does not
// hold anyone up).
bool WithinMinimumTime(const TimeRecord& last, const QDateTime& now, int minimumSeconds);

// The last-action strip under the buttons for a punch as the time file shows it; empty for none.
QString LastActionStripText(const QString& lastAction);
