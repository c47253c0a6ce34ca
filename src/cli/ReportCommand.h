#pragma once

#include "cli/ReportRequest.h"
#include "data/Result.h"

#include <QByteArray>
#include <QString>

// What goes to standard output (empty when the report was written to a file), or the failure:
// one line naming what went wrong.
using ReportRun = Result<QByteArray>;

// Builds the report the request asks for from the files of its data directory, as the report
// windows build it, and writes it to the output file or hands it back for standard output.
// Every message the windows would show becomes the error; a failed run writes nothing.
// A PDF needs a QGuiApplication.
ReportRun RunReportRequest(const ReportRequest& request);
