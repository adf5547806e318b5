#include "services/JobService.h"

#include "platform/ConsoleLine.h"
#include "services/ServicesLog.h"
#include "models/JobStore.h"
#include "models/MixJob.h"
#include "services/FileService.h"
#include "services/JobRender.h"
#include "services/MixOutputName.h"
#include "services/NotificationService.h"
#include "services/OutputFiles.h"
#include "services/SettingsService.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>

#include <chrono>
#include <climits>
#include <cstdio>

Q_LOGGING_CATEGORY(lcJobs, "loopcaster.jobs")

namespace {

// A job's status message is stored in English, whatever the user's language:
// the store outlives a change of language, and the window translates the
// message ("JobStatus" context) when it shows it.
const QString kPausedByUser = QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Paused (Queue Paused)"));
const QString kPausedForHeat = QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Thermal Pause (machine too hot)"));

// A render's commit, or one the start-up sweep found on disk.
void markFinished(MixJob& job)
{
    job.setStatus(JobStatus::completed);
    job.setProgress(1.0f);
    job.setStatusMessage(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Finished")));
}

} // namespace

JobService::JobService(JobStore& store, SettingsService& settings, ThermalService& thermal,
                       const FileService& files, NotificationService& notifications,
                       RenderEngineFactory engineFactory, JobServiceTimings timings, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_thermal(thermal)
    , m_files(files)
    , m_notifications(notifications)
    , m_engineFactory(std::move(engineFactory))
    , m_timings(std::move(timings))
    , m_timeLeft([this] { return m_timings.steadyMs(); })
{
    if (!m_engineFactory)
        m_engineFactory = [](const JobRenderRequest&) { return makeMediaRenderEngine(); };
    m_runPool.setMaxThreadCount(2 * maxJobsAtOnce);
    // A pool thread that ran a job at a low priority could not be raised
    // again without privileges: idle threads end at once, so every run
    // starts on a fresh thread at the app's own priority.
    m_runPool.setExpiryTimeout(0);
    if (!m_timings.unixSeconds)
        m_timings.unixSeconds = [] { return QDateTime::currentSecsSinceEpoch(); };
    if (!m_timings.steadyMs) {
        m_timings.steadyMs = [] {
            using namespace std::chrono;
            return qint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
        };
    }
    if (!m_timings.timer)
        m_timings.timer = realSingleShotTimer();

    failInterruptedJobs();
    removeLeftoverTemporaries();
    // Queued: a thermal change re-runs the scheduler from the event loop, never
    // from inside whatever read the new level.
    connect(&m_thermal, &ThermalService::currentStateChanged, this, &JobService::processQueue,
            Qt::QueuedConnection);
    processQueue();
}

JobService::~JobService()
{
    // The app quits through stopForQuit() and rendersStopped(), so no run is
    // left here. An owner that did not wait still must not leave a run
    // reporting to a destroyed store: the stopped runs are joined (their
    // cancellation points are close together).
    stopForQuit();
    if (!m_liveRenders.isEmpty()) {
        qCWarning(lcJobs) << "destroyed with" << m_liveRenders.size() << "runs still unwinding; joining them";
        m_runPool.waitForDone();
    }
    for (JobRender* render : std::as_const(m_liveRenders)) {
        disconnect(render, nullptr, this, nullptr);
        delete render;
    }
    m_liveRenders.clear();
    m_store.save();
}

int JobService::maxConcurrentJobs(ThermalState state)
{
    switch (state) {
    case ThermalState::nominal: return maxJobsAtOnce;
    case ThermalState::fair: return 2;
    case ThermalState::serious: return 1;
    case ThermalState::critical: return 0;
    }
    return 0;
}

RenderPriority JobService::priorityFor(ThermalState state)
{
    switch (state) {
    case ThermalState::nominal: return RenderPriority::userInitiated;
    case ThermalState::fair: return RenderPriority::medium;
    case ThermalState::serious: return RenderPriority::utility;
    case ThermalState::critical: return RenderPriority::background;
    }
    return RenderPriority::background;
}

// A quit puts running jobs back to pending, so a record left `processing`
// belongs to a process that crashed or was killed. Restarting it silently
// could loop a crash, so the user decides (retry).
void JobService::failInterruptedJobs()
{
    const auto stale = m_store.fetch(
        [](const MixJob& j) { return j.status() == JobStatus::processing; });
    if (!stale || stale->isEmpty())
        return;
    for (MixJob* job : *stale) {
        job->setStatus(JobStatus::failed);
        job->setStatusMessage(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Interrupted")));
    }
    m_store.save();
}

// A killed run leaves its hidden temporaries beside the movie, and a movie
// may have been committed when its record could not be saved any more (the
// store locked by another program, the process killed). Thousands of jobs
// may share one output folder, so the folders are listed once each, on a
// worker, while the window comes up. Until the answer is back, jobs writing
// to one of those movies wait: no fresh run's files are taken for leftovers,
// and no committed movie is rendered a second time.
void JobService::removeLeftoverTemporaries()
{
    QStringList paths;
    QStringList unfinished;
    for (const MixJob* job : m_store.fetch().value_or(QList<MixJob*> {})) {
        const QString path = job->outputPathOrEmpty();
        if (path.isEmpty())
            continue;
        if (!m_sweepingPaths.contains(path)) {
            m_sweepingPaths.insert(path);
            paths.append(path);
        }
        if (job->status() != JobStatus::completed && job->status() != JobStatus::cancelled)
            unfinished.append(path);
    }
    if (paths.isEmpty())
        return;
    m_housekeepingPool.start([this, paths, unfinished] {
        const QMultiHash<QString, QString> leftovers = OutputFiles::findTemporaries(paths);
        QSet<QString> committed;
        for (const QString& path : unfinished) {
            if (OutputFiles::isCommitted(path))
                committed.insert(path);
        }
        QMetaObject::invokeMethod(this, [this, leftovers, committed] { finishSweep(leftovers, committed); },
                                  Qt::QueuedConnection);
    });
}

void JobService::finishSweep(const QMultiHash<QString, QString>& leftovers, const QSet<QString>& committed)
{
    for (const QString& leftover : leftovers)
        QFile::remove(leftover);
    const auto recovered = m_store.fetch([&committed](const MixJob& j) {
        return j.status() != JobStatus::completed && j.status() != JobStatus::cancelled
            && committed.contains(j.outputPathOrEmpty());
    });
    for (MixJob* job : recovered.value_or(QList<MixJob*> {}))
        markFinished(*job);
    m_sweepingPaths.clear();
    processQueue();
}

// ---- scheduling ----------------------------------------------------------

void JobService::startWait(Wait& wait, int ms, std::function<void()> expire)
{
    const quint64 generation = ++wait.generation;
    wait.active = true;
    m_timings.timer(ms, this, [&wait, generation, expire = std::move(expire)] {
        if (!wait.active || wait.generation != generation)
            return;
        wait.active = false;
        expire();
    });
}

void JobService::processQueue()
{
    if (m_quitting || m_isQueuePaused || m_isCoolingDown)
        return;
    const ThermalState state = m_thermal.currentState();
    if (state == ThermalState::critical && !m_currentRenders.isEmpty()) {
        pauseForHeat();
        return;
    }
    const int limit = maxConcurrentJobs(state);
    int freeSlots = limit - int(m_currentRenders.size());
    if (freeSlots <= 0)
        return;
    const auto waiting = m_store.fetch(JobFilters::waiting, JobStore::Sort::createdAtAscending);
    if (!waiting || waiting->isEmpty())
        return;

    int nextHoldCheckMs = INT_MAX;
    for (MixJob* job : *waiting) {
        if (freeSlots == 0)
            break;
        int holdLeftMs = 0;
        if (isOutputPathBusy(job->outputPathOrEmpty(), &holdLeftMs)) {
            if (holdLeftMs > 0)
                nextHoldCheckMs = std::min(nextHoldCheckMs, holdLeftMs);
            continue;
        }
        startJob(job);
        --freeSlots;
    }
    if (nextHoldCheckMs != INT_MAX && !m_unwindHold.active)
        startWait(m_unwindHold, nextHoldCheckMs, [this] { processQueue(); });
}

// Two runs must never write one movie at the same time. A path is busy while
// a live run writes it; a cancelled run that is still unwinding keeps it for
// at most unwindHoldMs (its worker never commits, so after that only its
// temporary file could still be in the way). A run that holds back a start
// re-runs the scheduler when it ends.
bool JobService::isOutputPathBusy(const QString& outputPath, int* holdLeftMs)
{
    *holdLeftMs = 0;
    if (outputPath.isEmpty())
        return false;
    if (m_sweepingPaths.contains(outputPath))
        return true; // the sweep's result runs the scheduler again
    bool busy = false;
    for (JobRender* run : std::as_const(m_liveRenders)) {
        if (run->outputPath() != outputPath)
            continue;
        if (!run->isCancelled()) {
            busy = true;
            m_holdingRenders.insert(run);
            continue;
        }
        const qint64 now = m_timings.steadyMs();
        const qint64 left = m_timings.unwindHoldMs - (now - m_cancelledAtMs.value(run, now));
        if (left > 0) {
            busy = true;
            m_holdingRenders.insert(run);
            *holdLeftMs = std::max(*holdLeftMs, int(left));
        }
    }
    return busy;
}

void JobService::startJob(MixJob* job)
{
    const QUuid id = job->id();
    job->setStatus(JobStatus::processing);
    job->setStatusMessage(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Initializing...")));
    setIsProcessing(true);

    JobRenderRequest request;
    request.jobId = id;
    request.videoBookmark = job->videoBookmark();
    request.resolveBookmark = [&files = m_files](const QByteArray& bookmark) {
        return files.resolveBookmark(bookmark);
    };
    request.videoPath = job->videoPath();
    request.outputPath = job->outputPathOrEmpty();
    request.songs = job->audioURLs();
    request.crossfade = m_settings.crossfadeDuration();
    request.mix = job->mixOptions();
    request.priority = priorityFor(m_thermal.currentState());
    if (const auto all = m_store.fetch()) {
        for (const MixJob* other : *all) {
            if (other != job && other->outputPath())
                request.reservedPaths.insert(*other->outputPath());
        }
    }
    auto* render = new JobRender(request, m_engineFactory(request), this);
    connect(render, &JobRender::progressed, this,
            [this, render](float fraction, const QString& message) { applyProgress(render, fraction, message); });
    connect(render, &JobRender::mixPlanned, this, [this, render](double seconds) {
        if (!render->isCancelled())
            m_timeLeft.mixLengthKnown(render->jobId(), seconds);
    });
    connect(render, &JobRender::ended, this, &JobService::renderEnded);
    m_liveRenders.insert(render);
    if (JobRender* previous = m_currentRenders.value(id))
        cancelRender(previous);
    m_currentRenders.insert(id, render);
    m_timeLeft.jobStarted(id);
    m_jobsRunSinceFinish.insert(id);
    syncActiveCounts();
    m_runPool.start(render);
}

// A stopped run tells nothing about how long runs take.
void JobService::cancelRender(JobRender* render)
{
    render->cancel();
    m_timeLeft.jobEnded(render->jobId(), false);
    if (!m_cancelledAtMs.contains(render))
        m_cancelledAtMs.insert(render, m_timings.steadyMs());
    if (m_holdingRenders.contains(render) && !m_unwindHold.active)
        startWait(m_unwindHold, m_timings.unwindHoldMs, [this] { processQueue(); });
}

// Updates of a cancelled run are dropped: its canceller owns the record now.
void JobService::applyProgress(JobRender* render, float fraction, const QString& message)
{
    if (render->isCancelled() || m_currentRenders.value(render->jobId()) != render)
        return;
    if (MixJob* job = m_store.find(render->jobId()))
        job->reportProgress(fraction, message);
    m_timeLeft.progressed(render->jobId(), fraction);
}

void JobService::applyOutcome(JobRender* render, const JobRenderOutcome& outcome)
{
    MixJob* job = m_store.find(render->jobId());
    if (!job)
        return;
    switch (outcome.kind) {
    case JobRenderOutcome::Kind::completed:
        if (outcome.moviePath != job->outputPathOrEmpty())
            job->setOutputPath(outcome.moviePath);
        markFinished(*job);
        break;
    case JobRenderOutcome::Kind::failed:
        printConsoleLine(lcServices(), QStringLiteral("Job failed: ") + outcome.message);
        job->setStatus(JobStatus::failed);
        job->setStatusMessage(outcome.message);
        break;
    case JobRenderOutcome::Kind::cancelled:
        break;
    }
}

// A run removes its own temporaries; this catches what a killed process or
// an earlier run of the same job left, once no run writes beside that movie.
void JobService::removeTemporariesOfIdlePath(const QString& outputPath)
{
    if (outputPath.isEmpty())
        return;
    for (const JobRender* render : std::as_const(m_liveRenders)) {
        if (render->outputPath() == outputPath)
            return;
    }
    OutputFiles::removeTemporaries(outputPath);
}

// The end of a run. A cancelled run may end long after its job was paused
// and started again: it then must not touch the newer run's map entry or the
// record.
void JobService::renderEnded(JobRender* render, const JobRenderOutcome& outcome)
{
    const QUuid id = render->jobId();
    const bool cancelled = render->isCancelled();
    const bool heldBackAStart = m_holdingRenders.remove(render);
    m_liveRenders.remove(render);
    m_cancelledAtMs.remove(render);
    const bool current = m_currentRenders.value(id) == render;
    if (current) {
        m_currentRenders.remove(id);
        m_timeLeft.jobEnded(id, !cancelled && outcome.kind == JobRenderOutcome::Kind::completed);
        syncActiveCounts();
    }
    // A pause or quit that came while the run was committing is too late:
    // the movie is there, so the job is finished rather than run again into
    // a second movie. A user's cancel still stands.
    MixJob* job = m_store.find(id);
    const bool completed = outcome.kind == JobRenderOutcome::Kind::completed;
    const bool finishedDespiteStop = cancelled && completed && !m_currentRenders.contains(id) && job
        && job->status() != JobStatus::cancelled;
    if (finishedDespiteStop || (!cancelled && current)) {
        applyOutcome(render, outcome);
    } else if (cancelled && !m_currentRenders.contains(id)) {
        if (job && job->status() == JobStatus::processing)
            job->setStatus(m_quitting ? JobStatus::pending : JobStatus::paused);
    }
    if (!completed)
        removeTemporariesOfIdlePath(render->outputPath());
    render->deleteLater();

    if (m_quitting) {
        if (m_liveRenders.isEmpty()) {
            m_store.save();
            emit rendersStopped();
        }
        return;
    }
    if (!cancelled)
        afterJobEnded();
    else if (heldBackAStart)
        processQueue();
}

void JobService::stopForQuit()
{
    if (!m_quitting) {
        m_quitting = true;
        m_coolDown.active = false;
        m_heatRecheck.active = false;
        m_unwindHold.active = false;
        m_timeLeftTick.active = false;
        const auto runs = std::exchange(m_currentRenders, {});
        for (auto it = runs.begin(); it != runs.end(); ++it) {
            cancelRender(it.value());
            updateJobStatus(it.key(), JobStatus::pending, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Waiting...")));
        }
        for (JobRender* render : std::as_const(m_liveRenders))
            render->cancel();
        syncActiveCounts();
        m_store.save();
    }
    if (m_liveRenders.isEmpty())
        QMetaObject::invokeMethod(this, &JobService::rendersStopped, Qt::QueuedConnection);
}

void JobService::afterJobEnded()
{
    ++m_batchCounter;
    if (m_currentRenders.isEmpty()) {
        const int waiting = m_store.fetchCount(JobFilters::waiting).value_or(0);
        if (waiting == 0)
            notifyQueueFinished();
    }
    if (m_batchCounter >= jobsBeforeCoolDown)
        startCoolDown();
    else
        processQueue();
}

// Failures are counted over the jobs run since the queue last finished (or
// since start-up) whose record is still failed now: a job retried and then
// completed is not a failure, a deleted or cleared one is not counted, and
// failures of earlier queues are not repeated.
void JobService::notifyQueueFinished()
{
    int failedCount = 0;
    if (const auto failed = m_store.fetch(JobFilters::failed)) {
        for (const MixJob* job : *failed)
            failedCount += m_jobsRunSinceFinish.contains(job->id()) ? 1 : 0;
    }
    m_jobsRunSinceFinish.clear();
    const QString body = failedCount == 0
        ? tr("All jobs have been processed successfully.")
        : tr("All jobs have been processed. %n failed.", nullptr, failedCount);
    m_notifications.sendNotification(tr("Queue Finished"), body, NotificationService::defaultSound());
}

void JobService::startCoolDown()
{
    m_isCoolingDown = true;
    m_batchCounter = 0;
    startWait(m_coolDown, m_timings.coolDownMs, [this] {
        m_isCoolingDown = false;
        processQueue();
    });
}

void JobService::pauseQueue()
{
    setIsQueuePaused(true);
    const auto runs = std::exchange(m_currentRenders, {});
    for (auto it = runs.begin(); it != runs.end(); ++it) {
        cancelRender(it.value());
        updateJobStatus(it.key(), JobStatus::paused, kPausedByUser);
    }
    syncActiveCounts();
}

void JobService::resumeQueue()
{
    setIsQueuePaused(false);
    processQueue();
}

void JobService::togglePause()
{
    if (m_isQueuePaused)
        resumeQueue();
    else
        pauseQueue();
}

// One re-check timer only: a heat pause while a re-check is pending restarts
// it instead of starting a second chain of re-checks.
void JobService::pauseForHeat()
{
    setIsQueuePaused(true);
    const auto runs = std::exchange(m_currentRenders, {});
    for (auto it = runs.begin(); it != runs.end(); ++it) {
        cancelRender(it.value());
        updateJobStatus(it.key(), JobStatus::paused, kPausedForHeat);
    }
    syncActiveCounts();
    startWait(m_heatRecheck, m_timings.heatRecheckMs, [this] { heatRecheck(); });
}

// Estimates are taken once a second, whatever the reports' pace, so the
// figures count down evenly and a stalled run's estimate grows.
void JobService::tickTimeLeft()
{
    m_timeLeft.update();
    emit timeLeftChanged();
    if (!m_currentRenders.isEmpty())
        startWait(m_timeLeftTick, 1000, [this] { tickTimeLeft(); });
}

std::optional<double> JobService::queueSecondsLeft() const
{
    if (m_isQueuePaused || m_quitting)
        return std::nullopt;
    const int waiting = m_store.fetchCount(JobFilters::waiting).value_or(0);
    return m_timeLeft.queueSecondsLeft(waiting, maxConcurrentJobs(m_thermal.currentState()));
}

void JobService::heatRecheck()
{
    if (m_thermal.currentState() == ThermalState::critical) {
        pauseForHeat();
        return;
    }
    setIsQueuePaused(false);
    processQueue();
}

void JobService::updateJobStatus(const QUuid& jobId, JobStatus status, const QString& message)
{
    MixJob* job = m_store.find(jobId);
    if (!job)
        return;
    job->setStatus(status);
    job->setStatusMessage(message);
    m_store.save();
}

// ---- the user's operations -----------------------------------------------

void JobService::addJob(const QUrl& videoURL, const QList<QUrl>& audioURLs, const QUrl& outputFolder)
{
    auto* job = new MixJob(videoURL, audioURLs, m_files.createBookmark(videoURL).value());
    // The preferences in force now stay with the job, whenever it runs.
    job->setMixOptions(m_settings.mixOptions());
    // The name must be free both in the queue (another job of the same
    // source added in the same second) and on disk (a movie or tracklist
    // already there, however it got there).
    const auto taken = [this](const QString& path) {
        if (isOutputNameOnDisk(path))
            return true;
        return m_store.fetchCount([&path](const MixJob& j) { return j.outputPathOrEmpty() == path; }).value_or(0) > 0;
    };
    job->setOutputPath(uniqueMixOutputPath(outputFolder.toLocalFile(), videoURL.toLocalFile(),
                                           m_timings.unixSeconds(), taken));
    m_store.insert(job);
    processQueue();
}

void JobService::cancelJob(MixJob* job)
{
    JobRender* render = m_currentRenders.take(job->id());
    if (render) {
        cancelRender(render);
        syncActiveCounts();
    }
    const JobStatus status = job->status();
    if (status == JobStatus::pending || status == JobStatus::processing) {
        job->setStatus(JobStatus::cancelled);
        job->setStatusMessage(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Cancelled by user")));
    }
    // The freed slot goes to the next waiting job now, not at whatever
    // event happens to run the scheduler next.
    if (render)
        QMetaObject::invokeMethod(this, &JobService::processQueue, Qt::QueuedConnection);
}

void JobService::deleteJob(MixJob* job)
{
    cancelJob(job);
    m_store.remove(job);
}

// Only a job that has stopped may go back to waiting: a running or paused one
// would otherwise be started a second time on the same output.
bool JobService::requeue(MixJob* job, const QString& message)
{
    const JobStatus status = job ? job->status() : JobStatus::pending;
    if (status != JobStatus::failed && status != JobStatus::cancelled)
        return false;
    job->setStatus(JobStatus::pending);
    job->setStatusMessage(message);
    job->setProgress(0);
    return true;
}

void JobService::retryJob(MixJob* job)
{
    if (!requeue(job, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Waiting..."))))
        return;
    m_store.save();
    processQueue();
}

void JobService::retryFailedJobs()
{
    const auto failed = m_store.fetch(JobFilters::failed);
    if (!failed)
        return;
    for (MixJob* job : *failed)
        requeue(job, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Retrying...")));
    m_store.save();
    processQueue();
}

void JobService::clearFinishedJobs()
{
    const auto all = m_store.fetch();
    if (!all)
        return;
    for (MixJob* job : *all) {
        const JobStatus s = job->status();
        if (s == JobStatus::completed || s == JobStatus::failed || s == JobStatus::cancelled)
            m_store.remove(job);
    }
    m_store.save();
}

// ---- observable properties -----------------------------------------------

void JobService::syncActiveCounts()
{
    setActiveJobsCount(int(m_currentRenders.size()));
    setIsProcessing(!m_currentRenders.isEmpty());
    if (!m_currentRenders.isEmpty() && !m_timeLeftTick.active && !m_quitting)
        startWait(m_timeLeftTick, 1000, [this] { tickTimeLeft(); });
    emit timeLeftChanged();
}

void JobService::setActiveJobsCount(int v)
{
    if (m_activeJobsCount == v)
        return;
    m_activeJobsCount = v;
    emit activeJobsCountChanged();
}

void JobService::setIsProcessing(bool v)
{
    if (m_isProcessing == v)
        return;
    m_isProcessing = v;
    emit isProcessingChanged();
}

void JobService::setIsQueuePaused(bool v)
{
    if (m_isQueuePaused == v)
        return;
    m_isQueuePaused = v;
    emit isQueuePausedChanged();
}
