#include "services/RemuxWorker.h"

#include "platform/ThreadPriority.h"
#include "services/RemuxRun.h"

#include <QMetaObject>

#include <system_error>
#include <thread>

namespace {

// Posts the run's reports to the caller's thread. The relay is a plain
// QObject on that thread that outlives every post (it deletes itself after
// the last one), so the run thread never touches the progress object or the
// worker, either of which may be gone by the time a report arrives.
class ProgressRelay {
public:
    ProgressRelay(QObject* relay, QPointer<RemuxProgress> progress)
        : m_relay(relay), m_progress(std::move(progress)) {}

    void update(float fraction, const QString& message) const
    {
        QMetaObject::invokeMethod(
            m_relay,
            [progress = m_progress, fraction, message] {
                if (progress && !progress->isFinished())
                    emit progress->update(fraction, message);
            },
            Qt::QueuedConnection);
    }

    // The last post: afterwards the relay is released.
    void end(std::optional<RemuxError> error,
             void (*finish)(RemuxProgress*), void (*fail)(RemuxProgress*, const RemuxError&)) const
    {
        QObject* relay = m_relay;
        QMetaObject::invokeMethod(
            m_relay,
            [relay, progress = m_progress, error = std::move(error), finish, fail] {
                if (progress) {
                    if (error)
                        fail(progress, *error);
                    else
                        finish(progress);
                }
                relay->deleteLater();
            },
            Qt::QueuedConnection);
    }

private:
    QObject* m_relay;
    QPointer<RemuxProgress> m_progress;
};

} // namespace

struct RemuxWorker::Shared {
    std::atomic<bool> cancel {false};
};

struct RemuxWorker::RunJob {
    std::shared_ptr<Shared> shared;
    TaskPriority priority;
    ProgressRelay relay;
    RemuxRun::Inputs inputs;
};

// Everything the run owns is freed before this returns, so a run counted as
// ended holds nothing any more.
void RemuxWorker::runOnThisThread(std::unique_ptr<RunJob> job)
{
    ThreadPriority::applyToCurrentThread(job->priority);
    const ProgressRelay& relay = job->relay;
    RemuxRun run(std::move(job->inputs), &job->shared->cancel,
                 [&relay](float fraction, const QString& message) { relay.update(fraction, message); });
    relay.end(run.execute(), &RemuxWorker::finish, &RemuxWorker::fail);
}

RemuxWorker::RemuxWorker(QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
{
    qRegisterMetaType<RemuxError>();
}

RemuxWorker::~RemuxWorker()
{
    // The run sees the flag at its next cancellation point, removes its
    // temporary file and ends; waiting for it here means no run outlives its
    // worker (callers drop a worker after its stream ended, so this is
    // normally instant). Its last reports land on a progress object that no
    // longer exists and are dropped.
    m_shared->cancel.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

RemuxProgress* RemuxWorker::remux(const QUrl& sourceURL, const QList<QUrl>& audioURLs,
                                  const QUrl& outputURL, double crossfadeDuration)
{
    if (m_progress || m_started) {
        qWarning("RemuxWorker::remux: a worker serves one run");
        return m_progress;
    }
    m_started = true;
    RemuxProgress* progress = makeProgress();

    auto job = std::make_unique<RunJob>(RunJob {
        m_shared, m_priority,
        ProgressRelay(new QObject, QPointer<RemuxProgress>(progress)), // relay lives on this thread
        RemuxRun::Inputs {sourceURL, audioURLs, outputURL, crossfadeDuration}});

    const ProgressRelay relay = job->relay;
    try {
        m_thread = std::thread([job = std::move(job)]() mutable { runOnThisThread(std::move(job)); });
    } catch (const std::system_error& e) {
        // Out of threads: the stream still ends, as callers rely on.
        relay.end(RemuxError::exportFailed(QString::fromLocal8Bit(e.what())), &RemuxWorker::finish,
                  &RemuxWorker::fail);
    }
    return progress;
}

void RemuxWorker::cancel()
{
    m_shared->cancel.store(true);
}

bool RemuxWorker::shouldCancel() const
{
    return m_shared->cancel.load();
}

RemuxProgress* RemuxWorker::makeProgress()
{
    auto* progress = new RemuxProgress(this);
    m_progress = progress;
    return progress;
}

void RemuxWorker::finish(RemuxProgress* p)
{
    if (!p || p->m_finished)
        return;
    p->m_finished = true;
    emit p->finished();
}

void RemuxWorker::fail(RemuxProgress* p, const RemuxError& error)
{
    if (!p || p->m_finished)
        return;
    p->m_finished = true;
    emit p->failed(error);
}
