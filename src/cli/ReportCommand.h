#pragma once

#include "cli/ReportRequest.h"

#include <QString>

// Builds the report the request asks for from the files of its data directory, as the report
// windows build it, and writes it to the output file or hands it back for standard output.
// Every message the windows would show becomes the error; a failed run writes nothing.
// A PDF needs a QGuiApplication.
ReportRun RunReportRequest(const ReportRequest& request);

// After a run: a note when the data folder's time zone, in which punches are read, is not this
// computer's; empty when they agree.
QString ClockZoneNote();
