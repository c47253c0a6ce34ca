#pragma once

#include "data/Result.h"
#include "data/TimeFile.h"

#include <QString>

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

private:
    PunchState shownState(const std::optional<TimeRecord>& last) const;

    PunchStore* m_store;
};

// The last-action strip under the buttons for a punch as the time file shows it; empty for none.
QString LastActionStripText(const QString& lastAction);
