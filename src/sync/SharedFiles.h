#pragma once

#include "data/FileStore.h"

#include <QStringList>

class SyncDatabase;

// The employee list and the settings are kept at the head station and copied to the others
// through the server, each stored as a new revision when its bytes change.

// Head station: stores each of names.nms and options.ini whose bytes differ from the newest
// revision on the server as the next revision, in one transaction. published names the files
// stored.
IoResult PublishSharedFiles(SyncDatabase& database, const QString& station, QStringList* published);

// Punch station: replaces each local file (atomically) whose bytes differ from the newest
// revision on the server. replaced names the files changed, for the window to read again;
// headStation is the station that stored the newest of them (empty before any).
IoResult FetchSharedFiles(SyncDatabase& database, QStringList* replaced, QString* headStation);
