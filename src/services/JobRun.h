#pragma once
// JobRun: one run of one job, on the main thread. Owns the run's RemuxWorker
// and output-folder access, and consumes the worker's progress stream.
// Cancelling stops applying updates at once and asks the worker to stop, so
// an abandoned run neither burns CPU nor writes to the record; the run still
// ends (ended()) only when the worker has unwound.

#include "services/FileService.h"
#include "services/RemuxError.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class RemuxProgress;
class RemuxWorker;

class JobRun : public QObject {
    Q_OBJECT
public:
    JobRun(const QUuid& jobId, const QString& outputPath, std::unique_ptr<RemuxWorker> worker,
           QObject* parent = nullptr);
    ~JobRun() override;

    QUuid jobId() const { return m_jobId; }
    QString outputPath() const { return m_outputPath; }
    RemuxWorker& worker() { return *m_worker; }

    bool isCancelled() const { return m_cancelled; }
    qint64 msSinceCancel() const { return m_cancelled ? m_sinceCancel.elapsed() : 0; }
    bool hasEnded() const { return m_ended; }

    // Updates stop at once; the worker is told to stop.
    void cancel();

    // Connects the worker's stream; `onUpdate` runs only while not cancelled,
    // `onEnd` once when the stream ends (nullopt = finished normally).
    void watch(RemuxProgress* progress, std::function<void(float, const QString&)> onUpdate,
               std::function<void(const std::optional<RemuxError>&)> onEnd);

    // Output-folder access for the run: started once, released once.
    void openFolderAccess(const QUrl& folder);
    void releaseFolderAccess();

    // The run is over (called once by its owner); emits ended().
    void end();

signals:
    void ended(JobRun* run);

private:
    QUuid m_jobId;
    QString m_outputPath;
    std::unique_ptr<RemuxWorker> m_worker;
    std::optional<ScopedAccess> m_folderAccess;
    QMetaObject::Connection m_updateConnection;
    QElapsedTimer m_sinceCancel;
    bool m_cancelled = false;
    bool m_ended = false;
};
