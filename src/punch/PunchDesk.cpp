#include "punch/PunchDesk.h"

#include "data/BadgeFile.h"
#include "data/ClockZone.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/ShiftHours.h"
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

bool PunchDesk::isRepeat(const QString& scannedCode) const
{
    if (m_guardedCode.isEmpty() || scannedCode.trimmed().toUpper() != m_guardedCode)
        return false;
    const qint64 since = m_steadyClock() - m_guardedSince;
    return since >= 0 && since <= RepeatGuardMs;
}

ScanAnswer PunchDesk::answerScan(const QString& scannedCode,
                                 const std::function<bool(const QString&)>& listed)
{
    ScanAnswer answer;
    if (isRepeat(scannedCode)) {
        answer.kind = ScanAnswer::Kind::Repeat;
        return answer;
    }
    const BadgeHolding holding = holderOf(scannedCode, listed);
    if (holding.name.isEmpty()) {
        answer.message = holding.message;
        answer.critical = holding.critical;
        return answer;
    }
    answer.name = holding.name;
    const Result<std::optional<TimeRecord>> last = m_store->lastPunch(holding.name);
    if (!last) {
        answer.message = last.failure().error;
        answer.critical = true;
        return answer;
    }
    const int gap = GlobalOptions().punchGapMinutes() * 60;
    if (*last && WithinMinimumTime(**last, Environment::now(), gap)) {
        answer.kind = ScanAnswer::Kind::TooSoon;
        answer.in = (*last)->isIn();
        answer.message = QStringLiteral(" Already recorded for %1.%2")
                             .arg(FileStore::displayText(holding.name),
                                  LastActionStripText(
                                      FormatLastActionText(**last, GlobalOptions().timeFormat())));
        return answer;
    }
    answer.kind = ScanAnswer::Kind::Punch;
    answer.in = !(*last && (*last)->isIn());
    m_guardedCode = scannedCode.trimmed().toUpper();
    m_guardedSince = m_steadyClock();
    return answer;
}

bool WithinMinimumTime(const TimeRecord& last, const QDateTime& now, int minimumSeconds)
{
    const QDate date = QDate::fromString(last.PunchDate, QStringLiteral("MM/dd/yyyy"));
    const QTime time = QTime::fromString(last.PunchTime, QStringLiteral("hh:mm"));
    if (!date.isValid() || !time.isValid())
        return false;
    const qint64 since = QDateTime(date, time, now.timeZone()).secsTo(now);
    return since >= 0 && since < minimumSeconds;
}

QString LastActionStripText(const QString& lastAction)
{
    if (lastAction.trimmed().isEmpty())
        return QString();
    return QStringLiteral(" Last Action: ") + lastAction;
}

namespace {

// A damaged shifts file says so where it is managed; here the usual limit holds.
int openLimitHours()
{
    const Result<ShiftSchedule> schedule = ReadShiftSchedule();
    return schedule ? schedule->openLimitHours : ShiftSchedule{}.openLimitHours;
}

} // namespace

std::optional<ForgottenOut::Question> PunchDesk::forgottenOut(const QString& name) const
{
    // His own time file, which the answer is checked against and written to.
    const Result<std::optional<TimeRecord>> last = ReadLastPunch(name);
    if (last.failed())
        return std::nullopt;
    return ForgottenOut::questionNow(name, *last, openLimitHours(), ClockZone());
}

Result<ForgottenOut::Declared> PunchDesk::answerForgottenOut(const QString& name,
                                                             const std::optional<QDateTime>& leftAt,
                                                             bool arriving) const
{
    if (!leftAt)
        return ForgottenOut::punchOutNow(name, openLimitHours(), ClockZone());
    return ForgottenOut::declare(name, *leftAt, arriving, openLimitHours(), ClockZone());
}
