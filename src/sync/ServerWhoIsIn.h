#pragma once

#include "data/EmployeeList.h"
#include "data/FileStore.h"
#include "reports/text/WhoIsIn.h"

#include <QDateTime>
#include <QTimeZone>

class SyncDatabase;

// Who Is In of several stations: each employee's newest punch at any of them (this station's
// waiting lines included; station empty where none wait), asked in one question to the server.
// The window and horodex-report both build it here.
IoResult FindWhoIsInEverywhere(SyncDatabase& database, const QString& station,
                               const QList<EmployeeRecord>& employees, const QDateTime& now,
                               const QTimeZone& zone, WhoIsInList* list);
