#include "models/JobStore.h"

#include "models/JobTableRow.h"
#include "models/JobStoreSchema.h"
#include "models/ModelsLog.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kDefaultFlushDelayMs = 250;
// After a failed write (disk full, file locked by another process) keep
// retrying; only the first failure of a series is logged.
constexpr int kRetryDelayMs = 1000;

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("loopcaster-jobs-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString tableName()
{
    return QLatin1String(JobStoreSchema::table);
}

QString insertStatement()
{
    QStringList marks;
    for (int i = 0; i < JobTableRow::columnCount; ++i)
        marks.append(QStringLiteral("?"));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(tableName(), JobTableRow::columnList(), marks.join(QLatin1Char(',')));
}

// Sets only the `changed` columns of one row; their values go to *values in
// the order of the statement's placeholders (the row's key comes last).
QString updateStatement(const MixJob& job, unsigned changed, QVariantList* values)
{
    QStringList assignments;
    for (int i = 0; i < JobTableRow::columnCount; ++i) {
        const JobTableRow::Column column = JobTableRow::columnAt(i);
        if (!(changed & column))
            continue;
        assignments.append(QStringLiteral("%1 = ?").arg(QLatin1String(JobTableRow::name(column))));
        values->append(JobTableRow::value(job, column));
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE id = ?").arg(tableName(), assignments.join(QStringLiteral(", ")));
}

// Whether the file (or the folder it is to be made in) can hold a store.
Result<void> checkLocation(const QFileInfo& info)
{
    if (info.exists()) {
        if (info.isDir())
            return Failure(QStringLiteral("is a folder, not a job store"));
        if (!info.isReadable())
            return Failure(QStringLiteral("cannot be read (permission denied)"));
        if (!info.isWritable())
            return Failure(QStringLiteral("cannot be written (permission denied)"));
    } else if (!QDir().mkpath(info.absolutePath())) {
        return Failure(QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
    }
    // The store keeps its write-ahead log beside the file; in a folder it
    // cannot write to, SQLite fails on the first read and the file would
    // look like something that is not a job store.
    if (::access(QFile::encodeName(info.absolutePath()).constData(), W_OK | X_OK) != 0) {
        const int err = errno;
        return Failure(QStringLiteral("the folder %1 cannot be written (%2)")
                           .arg(info.absolutePath(), QString::fromLocal8Bit(std::strerror(err))));
    }
    return {};
}

} // namespace

struct JobStore::Impl {
    QString path;
    QString connectionName;
    QSqlDatabase db;
    int schemaVersion = 0;
    QString lastError;
    bool retrying = false; // a failed save waits for its retry

    // The identity map: one live object per row, plus the order in which
    // rows were loaded or inserted (a stable tie-break for equal dates).
    QHash<QUuid, MixJob*> byId;
    QList<MixJob*> ordered;
    // The id exactly as stored in each job's row.
    QHash<const MixJob*, QString> rowKey;

    // Writes waiting for the next flush.
    QList<MixJob*> pendingInserts;
    QHash<MixJob*, unsigned> dirtyColumns;
    QStringList pendingDeletes;

    QTimer flushTimer;
    int flushDelayMs = kDefaultFlushDelayMs;

    // Not restarted by later changes: a steady stream of progress updates
    // still reaches disk once per interval.
    void scheduleFlush()
    {
        if (!flushTimer.isActive())
            flushTimer.start(flushDelayMs);
    }

    bool hasPending() const
    {
        return !pendingInserts.isEmpty() || !dirtyColumns.isEmpty() || !pendingDeletes.isEmpty();
    }
    void markSaved()
    {
        pendingDeletes.clear();
        pendingInserts.clear();
        dirtyColumns.clear();
        lastError.clear();
        retrying = false;
    }
};

JobStore::JobStore()
    : d(std::make_unique<Impl>())
{
    d->flushTimer.setSingleShot(true);
    connect(&d->flushTimer, &QTimer::timeout, this, [this] { save(); });
}

Result<std::unique_ptr<JobStore>, JobStoreSchema::Error> JobStore::open(const QString& path)
{
    auto fail = [&](const QString& why, bool locked = false) {
        return Failure(JobStoreSchema::Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why), locked));
    };

    const QFileInfo info(path);
    if (const Result<void> usable = checkLocation(info); !usable)
        return fail(usable.error());

    std::unique_ptr<JobStore> store(new JobStore);
    Impl& d = *store->d;
    d.path = info.absoluteFilePath();
    d.connectionName = nextConnectionName();
    d.db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d.connectionName);
    if (!d.db.isValid())
        return fail(QStringLiteral("the Qt SQLite driver is not available"));
    d.db.setDatabaseName(d.path);
    // Everything here runs on the main thread: a lock another program holds
    // must not freeze the window. A short wait covers another connection's
    // quick write; beyond it a save fails and is tried again later.
    d.db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=20"));
    if (!d.db.open())
        return fail(d.db.lastError().text());

    const Result<int, JobStoreSchema::Error> version = JobStoreSchema::prepare(d.db, currentSchemaVersion);
    if (!version)
        return fail(version.error().text, version.error().locked);
    d.schemaVersion = *version;

    QSqlQuery q(d.db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(JobTableRow::columnList(), tableName())))
        return fail(QStringLiteral("cannot read the jobs: ") + q.lastError().text(),
                    JobStoreSchema::isLockError(q.lastError()));
    while (q.next()) {
        QString key;
        MixJob* job = JobTableRow::read(q, store.get(), &key);
        if (!job)
            continue;
        if (d.byId.contains(job->id())) {
            qCWarning(lcModels).noquote() << "Job store: skipping a second row for job" << key;
            delete job;
            continue;
        }
        d.rowKey.insert(job, key);
        store->track(job);
    }
    return store;
}

QString JobStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/loopcaster/jobs.sqlite");
}

JobStore::~JobStore()
{
    d->flushTimer.stop();
    if (d->db.isOpen())
        save();
    // Free the records while the store still exists, so nothing that watches
    // them sees a half-destroyed store.
    const QList<MixJob*> jobs = d->ordered;
    for (MixJob* job : jobs) {
        disconnect(job, nullptr, this, nullptr);
        delete job;
    }
    d->db.close();
    d->db = QSqlDatabase();
    if (!d->connectionName.isEmpty())
        QSqlDatabase::removeDatabase(d->connectionName);
}

void JobStore::track(MixJob* job)
{
    job->setParent(this);
    d->byId.insert(job->id(), job);
    d->ordered.append(job);

    using C = JobTableRow::Column;
    auto watch = [this, job](auto signal, unsigned columns) {
        connect(job, signal, this, [this, job, columns] { markDirty(job, columns); });
    };
    watch(&MixJob::videoPathChanged, C::videoPath);
    watch(&MixJob::audioPathsChanged, C::audioPaths);
    watch(&MixJob::outputPathChanged, C::outputPath);
    watch(&MixJob::progressChanged, C::progress);
    watch(&MixJob::statusValueChanged, C::statusValue);
    watch(&MixJob::statusMessageChanged, C::statusMessage);
    watch(&MixJob::createdAtChanged, C::createdAt);
    watch(&MixJob::videoBookmarkChanged, C::videoBookmark);
    watch(&MixJob::mixOptionsChanged, C::loudnessTarget | C::truePeakCeiling | C::titlesFromTags);
    connect(job, &MixJob::changed, this, &JobStore::jobChanged);
}

void JobStore::markDirty(MixJob* job, unsigned columns)
{
    d->dirtyColumns[job] |= columns;
    d->scheduleFlush();
}

void JobStore::insert(MixJob* job)
{
    if (!job || d->ordered.contains(job))
        return;
    if (d->byId.contains(job->id())) {
        qCWarning(lcModels).noquote() << "Job store: a job with id" << job->id().toString(QUuid::WithoutBraces)
                             << "is already stored; not inserting a second one";
        job->setParent(this); // ownership was handed over all the same
        return;
    }
    d->rowKey.insert(job, JobTableRow::idText(*job));
    track(job);
    d->pendingInserts.append(job);
    d->scheduleFlush();
    emit inserted(job);
}

void JobStore::remove(MixJob* job)
{
    if (!job || !d->byId.contains(job->id()) || d->byId.value(job->id()) != job)
        return;
    emit aboutToRemove(job);
    const QUuid id = job->id();
    disconnect(job, nullptr, this, nullptr);
    d->byId.remove(id);
    d->ordered.removeOne(job);
    d->dirtyColumns.remove(job);
    const QString key = d->rowKey.take(job);
    // A record inserted since the last flush was never written: nothing to delete.
    if (!d->pendingInserts.removeOne(job)) {
        d->pendingDeletes.append(key);
        d->scheduleFlush();
    }
    job->deleteLater();
    emit removed(id);
}

bool JobStore::save()
{
    d->flushTimer.stop();
    if (!d->hasPending())
        return true;

    auto failed = [this](const QString& what, const QSqlError& error) {
        d->lastError = what + QStringLiteral(": ") + error.text();
        d->db.rollback();
        if (!std::exchange(d->retrying, true))
            qCWarning(lcModels).noquote() << "Job store: saving failed, trying again until it works:" << d->lastError;
        d->flushTimer.start(std::max(d->flushDelayMs, kRetryDelayMs));
        return false;
    };

    if (!d->db.transaction())
        return failed(QStringLiteral("cannot begin a transaction"), d->db.lastError());

    QSqlQuery q(d->db);
    if (!d->pendingDeletes.isEmpty()) {
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE id = ?").arg(tableName()));
        for (const QString& key : std::as_const(d->pendingDeletes)) {
            q.addBindValue(key);
            if (!q.exec())
                return failed(QStringLiteral("cannot delete job ") + key, q.lastError());
        }
    }

    if (!d->pendingInserts.isEmpty()) {
        q.prepare(insertStatement());
        for (MixJob* job : std::as_const(d->pendingInserts)) {
            for (int i = 0; i < JobTableRow::columnCount; ++i)
                q.addBindValue(JobTableRow::value(*job, JobTableRow::columnAt(i)));
            if (!q.exec())
                return failed(QStringLiteral("cannot insert job ") + d->rowKey.value(job), q.lastError());
        }
    }

    // Only the columns that changed: a column nobody touched keeps exactly
    // what is stored, even text this build could not make sense of.
    for (auto it = d->dirtyColumns.cbegin(); it != d->dirtyColumns.cend(); ++it) {
        MixJob* job = it.key();
        if (d->pendingInserts.contains(job))
            continue;
        QVariantList values;
        q.prepare(updateStatement(*job, it.value(), &values));
        for (const QVariant& v : std::as_const(values))
            q.addBindValue(v);
        q.addBindValue(d->rowKey.value(job));
        if (!q.exec())
            return failed(QStringLiteral("cannot update job ") + d->rowKey.value(job), q.lastError());
    }
    q.finish();

    if (!d->db.commit())
        return failed(QStringLiteral("cannot commit"), d->db.lastError());

    d->markSaved();
    emit flushed();
    return true;
}

std::optional<QList<MixJob*>> JobStore::fetch(const Filter& filter, Sort sort) const
{
    QList<MixJob*> jobs;
    for (MixJob* job : std::as_const(d->ordered)) {
        if (!filter || filter(*job))
            jobs.append(job);
    }
    switch (sort) {
    case Sort::none:
        break;
    case Sort::createdAtAscending:
        std::stable_sort(jobs.begin(), jobs.end(),
                         [](const MixJob* a, const MixJob* b) { return a->createdAt() < b->createdAt(); });
        break;
    case Sort::createdAtDescending:
        std::stable_sort(jobs.begin(), jobs.end(),
                         [](const MixJob* a, const MixJob* b) { return a->createdAt() > b->createdAt(); });
        break;
    }
    return jobs;
}

std::optional<int> JobStore::fetchCount(const Filter& filter) const
{
    if (!filter)
        return int(d->ordered.size());
    return int(std::count_if(d->ordered.cbegin(), d->ordered.cend(),
                             [&](const MixJob* job) { return filter(*job); }));
}

MixJob* JobStore::find(const QUuid& id) const
{
    return d->byId.value(id, nullptr);
}

QList<MixJob*> JobStore::allNewestFirst() const
{
    return *fetch({}, Sort::createdAtDescending);
}

QString JobStore::path() const
{
    return d->path;
}

int JobStore::schemaVersion() const
{
    return d->schemaVersion;
}

QString JobStore::lastError() const
{
    return d->lastError;
}

bool JobStore::hasPendingChanges() const
{
    return d->hasPending();
}

void JobStore::setFlushDelayMs(int ms)
{
    d->flushDelayMs = std::max(0, ms);
}

int JobStore::flushDelayMs() const
{
    return d->flushDelayMs;
}
