#pragma once
// Opening checks and schema upgrades of the job store file. Everything that
// could damage a file we do not understand (journal mode changes, table
// creation) waits until a plain read has shown that the file is an SQLite
// database that is either empty or ours, at a schema version we know.

#include "platform/Result.h"

#include <QString>

class QSqlDatabase;

namespace JobStoreSchema {

// The table holding one row per job.
inline constexpr const char* table = "jobs";

// Checks an open connection, upgrades its schema to `targetVersion` and
// switches it to write-ahead logging. Returns the schema version the file is
// now at; on failure leaves the file as it was.
Result<int> prepare(QSqlDatabase& db, int targetVersion);

}
