#pragma once

#include "cli/ReportCommand.h"

class SyncDatabase;

// The record of time-card corrections (printed or verified; the server's when one is given, and
// at a station the data folder's record compared with it) and the list of who is in (of every
// station when a server is given; station is the data folder's, whose waiting punches count;
// headFiles: the employee list and settings are the server's).
ReportRun RunRecordRequest(const ReportRequest& request, SyncDatabase* server = nullptr,
                           const QString& station = QString(), bool headFiles = false);
