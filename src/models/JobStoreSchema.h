#pragma once
// Opening checks and schema upgrades of the job store file. Everything that
// could damage a file we do not understand (journal mode changes, table
// creation) waits until a plain read has shown that the file is an SQLite
// database that is either empty or ours, at a schema version we know.

#include <QString>

class QSqlDatabase;
class QSqlError;

namespace JobStoreSchema {

// The table holding one row per job.
inline constexpr const char* table = "jobs";

// Checks an open connection, upgrades its schema to `targetVersion` and
// switches it to write-ahead logging. On failure returns false with *error
// set and leaves the file as it was. *locked tells a file another program
// holds locked right now (worth trying again) from one that is unusable.
bool prepare(QSqlDatabase& db, int targetVersion, int* version, QString* error, bool* locked);

// SQLite's "busy" and "locked" answers: another connection holds the lock.
bool isLockError(const QSqlError& error);

}
