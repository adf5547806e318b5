#pragma once
// Opening checks and schema upgrades of the job store file. Everything that
// could damage a file we do not understand (journal mode changes, table
// creation) waits until a plain read has shown that the file is an SQLite
// database that is either empty or ours, at a schema version we know.

#include "platform/Result.h"

#include <QString>

#include <utility>

class QSqlDatabase;
class QSqlError;

namespace JobStoreSchema {

// Why a store cannot be used, and whether another program merely holds it
// locked right now (trying again later may work) rather than it being unusable.
struct Error {
    Error(QString text = {}, bool locked = false) : text(std::move(text)), locked(locked) {}
    QString text;
    bool locked;
};

// The table holding one row per job.
inline constexpr const char* table = "jobs";

// Checks an open connection, upgrades its schema to `targetVersion` and
// switches it to write-ahead logging. Returns the schema version the file is
// now at; on failure leaves the file as it was.
Result<int, Error> prepare(QSqlDatabase& db, int targetVersion);

// SQLite's "busy" and "locked" answers: another connection holds the lock.
bool isLockError(const QSqlError& error);

}
