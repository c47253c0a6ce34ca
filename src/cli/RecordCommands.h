#pragma once

#include "cli/ReportCommand.h"

class SyncDatabase;

// The record of time-card corrections (printed or verified; the server's when one is given, and
// at a station the data folder's record compared with it) and the list of who is in.
ReportRun RunRecordRequest(const ReportRequest& request, SyncDatabase* server = nullptr,
                           bool atStation = false);
