#include "models/JobStoreSchema.h"

#include "models/JobTableRow.h"
#include "models/ModelsLog.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

#include <vector>

namespace JobStoreSchema {
namespace {

// upgrades[n] takes a store from version n to version n + 1, one SQL
// statement at a time. Columns are only ever added, so an older build's
// rows stay readable: their new columns are NULL.
const std::vector<std::vector<const char*>> upgrades = {
    {"CREATE TABLE jobs ("
     " id TEXT PRIMARY KEY UNIQUE NOT NULL,"
     " videoPath TEXT,"
     " audioPaths TEXT,"
     " outputPath TEXT,"
     " progress REAL,"
     " statusValue INTEGER,"
     " statusMessage TEXT,"
     " createdAt TEXT,"
     " videoBookmark BLOB)"},
    // The mix options a job was made with.
    {"ALTER TABLE jobs ADD COLUMN loudnessTarget REAL",
     "ALTER TABLE jobs ADD COLUMN truePeakCeiling REAL",
     "ALTER TABLE jobs ADD COLUMN titlesFromTags INTEGER"},
};

// SQLite's own words ("file is not a database") without Qt's generic suffix.
QString sqlError(const QSqlQuery& q)
{
    const QSqlError error = q.lastError();
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

Result<int, Error> readInt(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return Failure(Error(sqlError(q), isLockError(q.lastError())));
    return q.value(0).toInt();
}

Result<void> upgrade(QSqlDatabase& db, int from, int to)
{
    if (!db.transaction())
        return Failure(QStringLiteral("cannot start the schema upgrade: ") + db.lastError().text());
    QSqlQuery q(db);
    const auto rollBack = [&db](const QString& why) {
        db.rollback();
        return Failure(why);
    };
    for (int v = from; v < to; ++v) {
        for (const char* statement : upgrades[size_t(v)]) {
            if (!q.exec(QString::fromLatin1(statement)))
                return rollBack(QStringLiteral("schema upgrade to version %1 failed: %2").arg(v + 1).arg(sqlError(q)));
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(to)))
        return rollBack(QStringLiteral("cannot record the schema version: ") + sqlError(q));
    if (!db.commit())
        return rollBack(QStringLiteral("schema upgrade failed: ") + db.lastError().text());
    return {};
}

Result<void> hasAllColumns(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))))
        return Failure(sqlError(q));
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(1).toString());
    for (int i = 0; i < JobTableRow::columnCount; ++i) {
        const QString name = QLatin1String(JobTableRow::name(JobTableRow::columnAt(i)));
        if (!present.contains(name))
            return Failure(QStringLiteral("the jobs table has no column \"%1\"").arg(name));
    }
    return {};
}

} // namespace

bool isLockError(const QSqlError& error)
{
    // Extended codes keep the primary one in the low byte.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 5 || code == 6; // SQLITE_BUSY, SQLITE_LOCKED
}

Result<int, Error> prepare(QSqlDatabase& db, int targetVersion)
{
    Q_ASSERT(targetVersion <= int(upgrades.size()));

    // A read first: SQLite only looks at the file's header when it has to,
    // and a file that is not a database must fail here, before any write.
    // A lock held by another program says nothing about the file, though.
    const Error locked(QStringLiteral("the job store is locked by another program"), true);
    const Result<int, Error> objects = readInt(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!objects)
        return Failure(objects.error().locked ? locked
                                              : Error(QStringLiteral("not a job store (%1)").arg(objects.error().text)));
    const Result<int, Error> version = readInt(db, QStringLiteral("PRAGMA user_version"));
    if (!version)
        return Failure(version.error().locked
                           ? locked
                           : Error(QStringLiteral("cannot read the schema version (%1)").arg(version.error().text)));
    if (*version > targetVersion)
        return Failure(QStringLiteral("written by a newer Loopcaster (schema version %1; this version reads up to %2)")
                           .arg(*version)
                           .arg(targetVersion));
    if (*version < 0 || (*version == 0 && *objects > 0))
        return Failure(QStringLiteral("an SQLite database of another program, not a job store"));

    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !q.next())
        return Failure(isLockError(q.lastError())
                           ? locked
                           : Error(QStringLiteral("cannot switch to write-ahead logging (%1)").arg(sqlError(q))));
    if (q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        qCWarning(lcModels).noquote() << "Job store: write-ahead logging unavailable, journal mode is"
                                      << q.value(0).toString();
    q.finish();
    // With write-ahead logging, NORMAL keeps the file consistent through
    // crashes and power loss; only the last commit before a power cut can
    // be lost, and it costs no sync per progress flush.
    q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));

    if (*version < targetVersion) {
        if (const Result<void> upgraded = upgrade(db, *version, targetVersion); !upgraded)
            return Failure(Error(upgraded.error(), isLockError(db.lastError())));
    }
    if (const Result<void> columns = hasAllColumns(db); !columns)
        return Failure(columns.error());
    return targetVersion;
}

} // namespace JobStoreSchema
