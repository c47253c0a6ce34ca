#pragma once

#include "cli/ReportRequest.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "punch/PunchStore.h"

#include <QByteArray>

// The exceptions before pay day, from the store's time cards, as text or CSV. The list is made
// even while punches await approval or the record of corrections cannot be read whole; its
// warning then says so, for the command to exit 1 after printing it, so that cron mails it.
Result<QByteArray> ExceptionsReport(const ReportRequest& request, const OptionsRecord& settings,
                                    const EmployeeList& list, PunchStore& punches);
