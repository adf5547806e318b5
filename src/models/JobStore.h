#pragma once
// JobStore: the persistent store of MixJob records (SQLite through Qt Sql,
// WAL mode). Keeps one live MixJob per row; field changes are written by a
// coalescing flush (soon after the change, and at the latest on close), so a
// progress bar updating many times a second costs one small transaction per
// flush interval, not one per change.

#include "models/JobStoreSchema.h"
#include "models/MixJob.h"
#include "platform/Result.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class JobStore : public QObject {
    Q_OBJECT
public:
    // Opens (creating when missing) the store at `path`. Never modifies a
    // file it cannot open. The error tells a store another program holds
    // locked (trying again later may work) from one that is unusable.
    static Result<std::unique_ptr<JobStore>, JobStoreSchema::Error> open(const QString& path);
    // The default location: <XDG data dir>/loopcaster/jobs.sqlite
    static QString defaultPath();
    ~JobStore() override; // flushes pending changes

    // Store operations (main thread).
    void insert(MixJob* job);   // takes ownership
    void remove(MixJob* job);   // deletes the record; the object is deleted later
    // Writes pending changes now. Never waits for a lock another program
    // holds: false then, and the write is tried again on a timer until it
    // goes through.
    bool save();

    using Filter = std::function<bool(const MixJob&)>;
    enum class Sort { none, createdAtAscending, createdAtDescending };
    std::optional<QList<MixJob*>> fetch(const Filter& filter = {}, Sort sort = Sort::none) const;
    std::optional<int> fetchCount(const Filter& filter = {}) const;
    MixJob* find(const QUuid& id) const;

    // All records, newest createdAt first (what the live list model shows).
    QList<MixJob*> allNewestFirst() const;

    QString path() const;
    int schemaVersion() const;
    // The newest schema this build reads and writes; a store file with a
    // higher version is refused so an older build never damages it.
    static constexpr int currentSchemaVersion = 2;
    // Why the last save() failed (empty after a successful one).
    QString lastError() const;
    bool hasPendingChanges() const;

    // Delay between a field change and its write (tests shorten it).
    void setFlushDelayMs(int ms);
    int flushDelayMs() const;

signals:
    void inserted(MixJob* job);
    void aboutToRemove(MixJob* job);
    void removed(const QUuid& id);
    void jobChanged(MixJob* job);
    // One transaction with pending inserts, deletes and field changes committed.
    void flushed();

private:
    JobStore();
    void track(MixJob* job);
    void markDirty(MixJob* job, unsigned columns);
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The filters the program uses.
namespace JobFilters {
inline bool completed(const MixJob& j) { return j.statusValue() == 3; }
inline bool failed(const MixJob& j) { return j.statusValue() == 4; }
// By the derived status, so a row with a status code this build does not know
// (a newer build's, a damaged row) reads as pending and runs instead of
// waiting forever.
inline bool waiting(const MixJob& j) { return j.status() == JobStatus::pending || j.status() == JobStatus::paused; }
}
