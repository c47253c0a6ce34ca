#pragma once

#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "data/Result.h"

#include <QStringList>

class SyncDatabase;

// The employee list, the settings, the badges and the shifts are kept at the head station and
// copied to the others through the server, each stored as a new revision when its bytes change.

// Head station: stores each of names.nms, options.ini, badges.txt and shifts.txt whose bytes
// differ from the
// newest revision on the server as the next revision, in one transaction. published names the files
// stored.
IoResult PublishSharedFiles(SyncDatabase& database, const QString& station, QStringList* published);

// Punch station: replaces each local file (atomically) whose bytes differ from the newest
// revision on the server. A punch station needs names, PINs and shifts: the employee list it
// keeps has no social security numbers and no pay rates. replaced names the files changed, for
// the window to read again; headStation is the station that stored the newest of them (empty
// before any).
IoResult FetchSharedFiles(SyncDatabase& database, QStringList* replaced, QString* headStation);

// The head station's newest settings and employee list, whole, for reports made away from it.
IoResult ReadHeadFiles(SyncDatabase& database, OptionsRecord* settings, EmployeeList* list);

// The employee list a punch station keeps: the same records without SSN and pay rates.
QByteArray WithoutPayData(const QByteArray& employeeList);

// How many revisions of each shared file the server keeps.
inline constexpr int KeptRevisions = 20;
