#include "cli/ExceptionsCommand.h"

#include "data/ClockZone.h"
#include "data/Environment.h"
#include "data/ShiftHours.h"
#include "payroll/PunchExceptions.h"

IoResult ExceptionsReport(const ReportRequest& request, const OptionsRecord& settings,
                          const EmployeeList& list, PunchStore& punches, QByteArray* bytes)
{
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
    return IoResult::success();
}
