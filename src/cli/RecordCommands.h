#pragma once

#include "cli/ReportCommand.h"

// The record of time-card corrections (printed or verified) and the list of who is in.
ReportRun RunRecordRequest(const ReportRequest& request);
