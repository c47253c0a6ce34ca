#pragma once

#include "cli/ReportCommand.h"
#include "reports/text/PunchStore.h"

class SyncDatabase;

// The record of time-card corrections (printed or verified; the server's when one is given, and
// at a station the data folder's record compared with it) and the list of who is in (from the
// punches of the store; headFiles: the employee list and settings are the server's).
ReportRun RunRecordRequest(const ReportRequest& request, PunchStore& punches,
                           SyncDatabase* server = nullptr, const QString& station = QString(),
                           bool headFiles = false);
