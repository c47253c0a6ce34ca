#include "punch/PunchDesk.h"

#include "data/BadgeFile.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "punch/PunchStore.h"

namespace {

bool askForPin()
{
    return OptionsRecord::isOn(GlobalOptions().AskForPin);
}

} // namespace

PunchState PunchDesk::shownState(const std::optional<TimeRecord>& last) const
{
    PunchState state;
    state.in = last && last->isIn();
    if (last)
        state.strip =
            LastActionStripText(FormatLastActionText(*last, GlobalOptions().timeFormat()));
    state.pinNeeded = askForPin();
    return state;
}

Result<PunchState> PunchDesk::stateOf(const QString& name) const
{
    if (!TimeFileIsValid(name)) {
        PunchState damaged;
        damaged.validFile = false;
        damaged.pinNeeded = askForPin();
        return damaged;
    }
    const Result<std::optional<TimeRecord>> last = m_store->lastPunch(name);
    if (!last)
        return last.failure();
    return shownState(*last);
}

BeforePunch PunchDesk::beforePunch(const QString& name) const
{
    if (!TimeFileIsValid(name))
        return BeforePunch::DamagedFile;
    return askForPin() ? BeforePunch::Pin : BeforePunch::Nothing;
}

Result<TimeRecord> PunchDesk::punch(const QString& name, bool isIn) const
{
    const Result<TimeRecord> punched = m_store->recordPunch(name, isIn);
    if (punched)
        return punched;
    // The employee must not walk away believing he punched.
    return IoResult::failure(QStringLiteral("The punch was NOT recorded. %1 Please tell your "
                                            "administrator, then try again.")
                                 .arg(punched.failure().error));
}

PunchState PunchDesk::stateAfter(const TimeRecord& punched) const
{
    return shownState(punched);
}

BadgeHolding PunchDesk::holderOf(const QString& scannedCode,
                                 const std::function<bool(const QString&)>& listed) const
{
    BadgeHolding holding;
    const Result<QString> code = NormalizeBadgeCode(scannedCode);
    if (!code) {
        holding.message = QStringLiteral("This badge cannot be read. %1").arg(code.failure().error);
        return holding;
    }
    const Result<QString> holder = BadgeHolder(*code);
    if (!holder) {
        holding.message = holder.failure().error;
        holding.critical = true;
        return holding;
    }
    if (holder->isEmpty()) {
        holding.message = QStringLiteral("This badge is not known, or it has been revoked. Choose "
                                         "your name in the list and punch with IN or OUT.");
        return holding;
    }
    if (!listed(*holder)) {
        holding.message = QStringLiteral("The badge of %1 is known, but %1 is not in the list of "
                                         "employees.")
                              .arg(FileStore::displayText(*holder));
        return holding;
    }
    holding.name = *holder;
    return holding;
}

QString LastActionStripText(const QString& lastAction)
{
    if (lastAction.trimmed().isEmpty())
        return QString();
    return QStringLiteral(" Last Action: ") + lastAction;
}
