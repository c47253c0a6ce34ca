#pragma once

#include "data/Result.h"

class SyncDatabase;

// The version of the tables this program writes and reads.
inline constexpr int SchemaVersion = 6;

// Creates the tables or brings them up to SchemaVersion, one transaction per version, under a
// lock that other stations upgrading at the same moment wait for. A database of a newer schema
// fails with a message asking for a newer Horodex.
IoResult UpgradeSchema(SyncDatabase& database);

// The schema version the database holds; 0 before the first upgrade.
IoResult ReadSchemaVersion(SyncDatabase& database, int* version);
