#pragma once

#include "cli/ReportRequest.h"

#include <QByteArray>
#include <QString>

struct ReportRun
{
    QString error;     // one line naming what went wrong; empty when the report was written
    QByteArray output; // what goes to standard output; empty when written to a file
};

// Builds the report the request asks for from the files of its data directory, as the report
// windows build it, and writes it to the output file or hands it back for standard output.
// Every message the windows would show becomes the error; a failed run writes nothing.
// A PDF needs a QGuiApplication.
ReportRun RunReportRequest(const ReportRequest& request);
