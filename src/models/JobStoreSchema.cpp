#include "models/JobStoreSchema.h"

#include "models/JobRow.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

namespace JobStoreSchema {
namespace {

// upgrades[n] takes a store from version n to version n + 1.
const char* const upgrades[] = {
    "CREATE TABLE jobs ("
    " id TEXT PRIMARY KEY UNIQUE NOT NULL,"
    " videoPath TEXT,"
    " audioPaths TEXT,"
    " outputPath TEXT,"
    " progress REAL,"
    " statusValue INTEGER,"
    " statusMessage TEXT,"
    " createdAt TEXT,"
    " videoBookmark BLOB)",
};

// SQLite's own words ("file is not a database") without Qt's generic suffix.
QString sqlError(const QSqlQuery& q)
{
    const QSqlError error = q.lastError();
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

bool readInt(QSqlDatabase& db, const QString& sql, int* out, QString* error, bool* locked)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next()) {
        *error = sqlError(q);
        *locked = isLockError(q.lastError());
        return false;
    }
    *out = q.value(0).toInt();
    return true;
}

bool upgrade(QSqlDatabase& db, int from, int to, QString* error)
{
    if (!db.transaction()) {
        *error = QStringLiteral("cannot start the schema upgrade: ") + db.lastError().text();
        return false;
    }
    QSqlQuery q(db);
    for (int v = from; v < to; ++v) {
        if (!q.exec(QString::fromLatin1(upgrades[v]))) {
            *error = QStringLiteral("schema upgrade to version %1 failed: %2").arg(v + 1).arg(sqlError(q));
            db.rollback();
            return false;
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(to))) {
        *error = QStringLiteral("cannot record the schema version: ") + sqlError(q);
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = QStringLiteral("schema upgrade failed: ") + db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

bool hasAllColumns(QSqlDatabase& db, QString* error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)))) {
        *error = sqlError(q);
        return false;
    }
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(1).toString());
    for (int i = 0; i < JobRow::columnCount; ++i) {
        const QString name = QLatin1String(JobRow::name(JobRow::columnAt(i)));
        if (!present.contains(name)) {
            *error = QStringLiteral("the jobs table has no column \"%1\"").arg(name);
            return false;
        }
    }
    return true;
}

} // namespace

bool isLockError(const QSqlError& error)
{
    // Extended codes keep the primary one in the low byte.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 5 || code == 6; // SQLITE_BUSY, SQLITE_LOCKED
}

bool prepare(QSqlDatabase& db, int targetVersion, int* version, QString* error, bool* locked)
{
    static_assert(std::size(upgrades) >= 1);
    Q_ASSERT(targetVersion <= int(std::size(upgrades)));

    // A read first: SQLite only looks at the file's header when it has to,
    // and a file that is not a database must fail here, before any write.
    // A lock held by another program says nothing about the file, though.
    const QString lockedText = QStringLiteral("the job store is locked by another program");
    int objects = 0;
    QString why;
    if (!readInt(db, QStringLiteral("SELECT count(*) FROM sqlite_master"), &objects, &why, locked)) {
        *error = *locked ? lockedText : QStringLiteral("not a job store (%1)").arg(why);
        return false;
    }
    if (!readInt(db, QStringLiteral("PRAGMA user_version"), version, &why, locked)) {
        *error = *locked ? lockedText : QStringLiteral("cannot read the schema version (%1)").arg(why);
        return false;
    }
    if (*version > targetVersion) {
        *error = QStringLiteral("written by a newer Loopcaster (schema version %1; this version reads up to %2)")
                     .arg(*version)
                     .arg(targetVersion);
        return false;
    }
    if (*version < 0 || (*version == 0 && objects > 0)) {
        *error = QStringLiteral("an SQLite database of another program, not a job store");
        return false;
    }

    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !q.next()) {
        *locked = isLockError(q.lastError());
        *error = *locked ? lockedText : QStringLiteral("cannot switch to write-ahead logging (%1)").arg(sqlError(q));
        return false;
    }
    if (q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        qWarning().noquote() << "Job store: write-ahead logging unavailable, journal mode is"
                             << q.value(0).toString();
    q.finish();
    // With write-ahead logging, NORMAL keeps the file consistent through
    // crashes and power loss; only the last commit before a power cut can
    // be lost, and it costs no sync per progress flush.
    q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));

    if (*version < targetVersion) {
        if (!upgrade(db, *version, targetVersion, error)) {
            *locked = isLockError(db.lastError());
            return false;
        }
        *version = targetVersion;
    }
    return hasAllColumns(db, error);
}

} // namespace JobStoreSchema
