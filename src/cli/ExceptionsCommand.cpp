#include "cli/ExceptionsCommand.h"

#include "data/ClockZone.h"
#include "data/Environment.h"
#include "data/ShiftHours.h"
#include "payroll/PunchExceptions.h"

IoResult ExceptionsReport(const ReportRequest& request, const OptionsRecord& settings,
                          const EmployeeList& list, PunchStore& punches, QByteArray* bytes,
                          IoResult* attention)
{
    *attention = IoResult::success();
    if (!list.isClean())
        return IoResult::failure(EmployeeListProblemsMessage(list));
    const Result<ShiftSchedule> schedule = ReadShiftSchedule();
    if (!schedule)
        return schedule.failure();
    const Result<QTimeZone> zone = ReadClockZone();
    if (!zone)
        return zone.failure();
    const Result<PunchExceptionList> found = FindPunchExceptions(
        list.records, request.from, request.to, *schedule, Environment::now(), *zone, punches);
    if (!found)
        return found.failure();
    *bytes = request.format == ReportRequest::Format::Csv
                 ? PunchExceptionsCsv(*found)
                 : PunchExceptionsText(*found, settings.timeFormat(), RegionalFormats::current())
                       .toUtf8();
    if (!found->unreadRecord.isEmpty())
        *attention = IoResult::failure(found->unreadRecord);
    else if (const qsizetype waiting = found->awaitingApproval(); waiting > 0)
        *attention = IoResult::failure(
            waiting == 1 ? QStringLiteral("1 declared punch awaits approval")
                         : QStringLiteral("%1 declared punches await approval").arg(waiting));
    return IoResult::success();
}
