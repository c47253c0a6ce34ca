#pragma once

#include "cli/ReportRequest.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "punch/PunchStore.h"

#include <QByteArray>

// The exceptions before pay day, from the store's time cards, as text or CSV in *bytes.
IoResult ExceptionsReport(const ReportRequest& request, const OptionsRecord& settings,
                          const EmployeeList& list, PunchStore& punches, QByteArray* bytes);
