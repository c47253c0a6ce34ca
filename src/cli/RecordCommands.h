#pragma once

#include "cli/ReportRequest.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "punch/PunchStore.h"

#include <functional>

// The settings and the employee list the command reads: the data folder's, or the head's.
struct SharedFiles
{
    OptionsRecord settings;
    EmployeeList list;
};
using SharedFilesReader = std::function<Result<SharedFiles>()>;

// The record of time-card corrections (printed or verified; the store's record that counts, and
// at a station (atStation) the data folder's record compared with it) and the list of who is in
// from the punches of the store.
ReportRun RunRecordRequest(const ReportRequest& request, PunchStore& punches,
                           const SharedFilesReader& readShared, bool atStation);
