#include "cli/ExceptionsCommand.h"

#include "data/ClockZone.h"
#include "data/Environment.h"
#include "data/ShiftHours.h"
#include "payroll/PunchExceptions.h"

Result<QByteArray> ExceptionsReport(const ReportRequest& request, const OptionsRecord& settings,
                                    const EmployeeList& list, PunchStore& punches)
{
    if (!list.isClean())
        return Failure(EmployeeListProblemsMessage(list));
    const Result<ShiftSchedule> schedule = ReadShiftSchedule();
    if (schedule.failed())
        return schedule.error();
    const Result<QTimeZone> zone = ReadClockZone();
    if (zone.failed())
        return zone.error();
    const Result<PunchExceptionList> found = FindPunchExceptions(
        list.records, request.from, request.to, *schedule, Environment::now(), *zone, punches);
    if (found.failed())
        return found.error();
    QByteArray bytes =
        request.format == ReportRequest::Format::Csv
            ? PunchExceptionsCsv(*found)
            : PunchExceptionsText(*found, settings.timeFormat(), RegionalFormats::current())
                  .toUtf8();
    if (!found->unreadRecord.isEmpty())
        return {std::move(bytes), Warning(found->unreadRecord)};
    if (const qsizetype waiting = found->awaitingApproval(); waiting > 0)
        return {std::move(bytes),
                Warning(waiting == 1
                            ? QStringLiteral("1 declared punch awaits approval")
                            : QStringLiteral("%1 declared punches await approval").arg(waiting))};
    return bytes;
}
