#include "services/JobRun.h"

#include "services/RemuxWorker.h"

JobRun::JobRun(const QUuid& jobId, const QString& outputPath, std::unique_ptr<RemuxWorker> worker,
               QObject* parent)
    : QObject(parent), m_jobId(jobId), m_outputPath(outputPath), m_worker(std::move(worker))
{
}

// The worker's destructor raises its stop flag and lets the run thread clean
// up by itself, so dropping a run never waits for media work.
JobRun::~JobRun() = default;

void JobRun::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    m_sinceCancel.start();
    disconnect(m_updateConnection);
    m_worker->cancel();
}

void JobRun::watch(RemuxProgress* progress, std::function<void(float, const QString&)> onUpdate,
                   std::function<void(const std::optional<RemuxError>&)> onEnd)
{
    m_updateConnection = connect(progress, &RemuxProgress::update, this,
                                 [this, onUpdate](float fraction, const QString& message) {
                                     if (!m_cancelled)
                                         onUpdate(fraction, message);
                                 });
    connect(progress, &RemuxProgress::finished, this, [onEnd] { onEnd(std::nullopt); });
    connect(progress, &RemuxProgress::failed, this,
            [onEnd](const RemuxError& error) { onEnd(error); });
}

void JobRun::openFolderAccess(const QUrl& folder)
{
    if (!m_folderAccess)
        m_folderAccess.emplace(folder);
}

void JobRun::releaseFolderAccess()
{
    if (m_folderAccess)
        m_folderAccess->release();
}

void JobRun::end()
{
    if (m_ended)
        return;
    m_ended = true;
    releaseFolderAccess();
    emit ended(this);
}
