#include "services/JobService.h"

#include "platform/ConsoleLine.h"
#include "models/JobStore.h"
#include "models/MixJob.h"
#include "services/FileService.h"
#include "services/MixOutputName.h"
#include "services/JobRun.h"
#include "services/NotificationService.h"
#include "services/RemuxWorker.h"
#include "services/SettingsService.h"
#include "services/TracklistWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <climits>
#include <cstdio>

namespace {

const QString kPausedByUser = QStringLiteral("Paused (Queue Paused)");
const QString kPausedForHeat = QStringLiteral("Thermal Pause (machine too hot)");

} // namespace

JobService::JobService(JobStore& store, SettingsService& settings, ThermalService& thermal,
                       RemuxWorkerFactory workerFactory, JobServiceTimings timings, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_thermal(thermal)
    , m_workerFactory(std::move(workerFactory))
    , m_timings(std::move(timings))
{
    if (!m_workerFactory)
        m_workerFactory = [] { return std::make_unique<RemuxWorker>(); };
    if (!m_timings.unixSeconds)
        m_timings.unixSeconds = [] { return QDateTime::currentSecsSinceEpoch(); };

    m_coolDownTimer.setSingleShot(true);
    connect(&m_coolDownTimer, &QTimer::timeout, this, [this] {
        m_isCoolingDown = false;
        processQueue();
    });
    m_heatRecheckTimer.setSingleShot(true);
    connect(&m_heatRecheckTimer, &QTimer::timeout, this, [this] {
        if (m_thermal.currentState() == ThermalState::critical) {
            pauseForHeat();
            return;
        }
        setIsQueuePaused(false);
        refreshStats();
        processQueue();
    });
    m_unwindHoldTimer.setSingleShot(true);
    connect(&m_unwindHoldTimer, &QTimer::timeout, this, &JobService::processQueue);

    failInterruptedJobs();
    refreshStats();
    // Queued: a thermal change re-runs the scheduler from the event loop, never
    // from inside whatever read the new level.
    connect(&m_thermal, &ThermalService::currentStateChanged, this, &JobService::processQueue,
            Qt::QueuedConnection);
    processQueue();
}

JobService::~JobService()
{
    // Runs are children and go with us; their workers stop on destruction.
    for (JobRun* run : std::as_const(m_liveRuns))
        disconnect(run, nullptr, this, nullptr);
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

TaskPriority JobService::priorityFor(ThermalState state)
{
    switch (state) {
    case ThermalState::nominal: return TaskPriority::userInitiated;
    case ThermalState::fair: return TaskPriority::medium;
    case ThermalState::serious: return TaskPriority::utility;
    case ThermalState::critical: return TaskPriority::background;
    }
    return TaskPriority::background;
}

// A job record left `processing` belongs to a run of an earlier process that
// ended without finishing it (quit, crash, power loss). Its movie was never
// committed; restarting it silently could loop a crash, so the user decides
// (retry).
void JobService::failInterruptedJobs()
{
    const auto stale = m_store.fetch(
        [](const MixJob& j) { return j.status() == JobStatus::processing; });
    if (!stale || stale->isEmpty())
        return;
    for (MixJob* job : *stale) {
        job->setStatus(JobStatus::failed);
        job->setStatusMessage(QStringLiteral("Interrupted"));
    }
    m_store.save();
}

// ---- scheduling ----------------------------------------------------------

void JobService::processQueue()
{
    if (m_isQueuePaused || m_isCoolingDown)
        return;
    const ThermalState state = m_thermal.currentState();
    if (state == ThermalState::critical && !m_activeJobTasks.isEmpty()) {
        pauseForHeat();
        return;
    }
    const int limit = maxConcurrentJobs(state);
    int freeSlots = limit - int(m_activeJobTasks.size());
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
    if (nextHoldCheckMs != INT_MAX && !m_unwindHoldTimer.isActive())
        m_unwindHoldTimer.start(nextHoldCheckMs);
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
    bool busy = false;
    for (JobRun* run : std::as_const(m_liveRuns)) {
        if (run->outputPath() != outputPath)
            continue;
        if (!run->isCancelled()) {
            busy = true;
            m_holdingRuns.insert(run);
            continue;
        }
        const qint64 left = m_timings.unwindHoldMs - run->msSinceCancel();
        if (left > 0) {
            busy = true;
            m_holdingRuns.insert(run);
            *holdLeftMs = std::max(*holdLeftMs, int(left));
        }
    }
    return busy;
}

void JobService::startJob(MixJob* job)
{
    const QUuid id = job->id();
    job->setStatus(JobStatus::processing);
    job->setStatusMessage(QStringLiteral("Initializing..."));
    setIsProcessing(true);

    std::unique_ptr<RemuxWorker> worker = m_workerFactory();
    worker->setPriority(priorityFor(m_thermal.currentState()));
    auto* run = new JobRun(id, job->outputPathOrEmpty(), std::move(worker), this);
    connect(run, &JobRun::ended, this, &JobService::taskEnded);
    m_liveRuns.insert(run);
    if (JobRun* previous = m_activeJobTasks.value(id))
        cancelTask(previous);
    m_activeJobTasks.insert(id, run);
    m_jobsRunSinceFinish.insert(id);
    syncActiveCounts();

    // The run's body starts from the event loop, after this scheduling pass.
    QPointer<MixJob> target(job);
    QTimer::singleShot(0, run, [this, run, target] {
        if (!target || run->isCancelled()) {
            run->end();
            return;
        }
        processJob(target, run);
    });
}

void JobService::cancelTask(JobRun* run)
{
    run->cancel();
    if (m_holdingRuns.contains(run) && !m_unwindHoldTimer.isActive())
        m_unwindHoldTimer.start(m_timings.unwindHoldMs);
}

// The end of a run's task. A cancelled run may end long after its job was
// paused and started again: it then must not touch the newer run's map entry
// or the record.
void JobService::taskEnded(JobRun* run)
{
    const QUuid id = run->jobId();
    const bool cancelled = run->isCancelled();
    const bool heldBackAStart = m_holdingRuns.remove(run);
    m_liveRuns.remove(run);
    if (m_activeJobTasks.value(id) == run) {
        m_activeJobTasks.remove(id);
        syncActiveCounts();
    }
    if (cancelled && !m_activeJobTasks.contains(id)) {
        if (MixJob* job = m_store.find(id); job && job->status() == JobStatus::processing)
            job->setStatus(JobStatus::paused);
    }
    run->deleteLater();

    if (!cancelled)
        jobDidFinish();
    else if (heldBackAStart)
        processQueue();
}

void JobService::jobDidFinish()
{
    ++m_batchCounter;
    refreshStats();
    if (m_activeJobTasks.isEmpty()) {
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
        ? QStringLiteral("All jobs have been processed successfully.")
        : QStringLiteral("All jobs have been processed. %1 failed.").arg(failedCount);
    NotificationService::shared().sendNotification(QStringLiteral("Queue Finished"), body,
                                                   NotificationService::defaultSound());
}

void JobService::startCoolDown()
{
    m_isCoolingDown = true;
    m_batchCounter = 0;
    m_coolDownTimer.start(m_timings.coolDownMs);
}

void JobService::pauseQueue()
{
    setIsQueuePaused(true);
    const auto runs = std::exchange(m_activeJobTasks, {});
    for (auto it = runs.begin(); it != runs.end(); ++it) {
        cancelTask(it.value());
        updateJobStatus(it.key(), JobStatus::paused, kPausedByUser);
    }
    syncActiveCounts();
    refreshStats();
}

void JobService::resumeQueue()
{
    setIsQueuePaused(false);
    refreshStats();
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
    const auto runs = std::exchange(m_activeJobTasks, {});
    for (auto it = runs.begin(); it != runs.end(); ++it) {
        cancelTask(it.value());
        updateJobStatus(it.key(), JobStatus::paused, kPausedForHeat);
    }
    syncActiveCounts();
    m_heatRecheckTimer.start(m_timings.heatRecheckMs);
}

void JobService::refreshStats()
{
    const auto fail = [](const char* what) {
        printConsoleLine(QStringLiteral("Failed to refresh stats: ") + QLatin1String(what));
    };
    const std::optional<int> total = m_store.fetchCount();
    if (!total)
        return fail("counting jobs failed");
    setTotalJobCount(*total);
    const std::optional<int> completed = m_store.fetchCount(JobFilters::completed);
    if (!completed)
        return fail("counting completed jobs failed");
    setCompletedJobCount(*completed);
    if (*total < 1) {
        setOverallProgress(0);
        return;
    }
    const auto unfinished = m_store.fetch(JobFilters::notCompleted);
    if (!unfinished)
        return fail("fetching unfinished jobs failed");
    float sum = float(*completed);
    for (const MixJob* job : *unfinished)
        sum += job->progress();
    setOverallProgress(sum / float(*total));
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
    auto* job = new MixJob(videoURL, audioURLs);
    // Another job of the same source added in the same second would get the
    // same name: the later one gets its own.
    const auto takenByAJob = [this](const QString& path) {
        return m_store.fetchCount([&path](const MixJob& j) { return j.outputPathOrEmpty() == path; }).value_or(0) > 0;
    };
    job->setOutputPath(uniqueMixOutputPath(outputFolder.toLocalFile(), videoURL.toLocalFile(),
                                           m_timings.unixSeconds(), takenByAJob));
    m_store.insert(job);
    refreshStats();
    processQueue();
}

void JobService::cancelJob(MixJob* job)
{
    if (JobRun* run = m_activeJobTasks.take(job->id())) {
        cancelTask(run);
        syncActiveCounts();
    }
    const JobStatus status = job->status();
    if (status == JobStatus::pending || status == JobStatus::processing) {
        job->setStatus(JobStatus::cancelled);
        job->setStatusMessage(QStringLiteral("Cancelled by user"));
    }
}

void JobService::deleteJob(MixJob* job)
{
    cancelJob(job);
    m_store.remove(job);
}

void JobService::retryFailedJobs()
{
    const auto failed = m_store.fetch(JobFilters::failed);
    if (!failed)
        return;
    for (MixJob* job : *failed) {
        job->setStatus(JobStatus::pending);
        job->setStatusMessage(QStringLiteral("Retrying..."));
        job->setProgress(0);
    }
    m_store.save();
    refreshStats();
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

// ---- one run -------------------------------------------------------------

std::optional<QUrl> JobService::resolveVideoURL(const MixJob& job) const
{
    if (const auto bookmark = job.videoBookmark()) {
        if (auto url = FileService::shared().resolveBookmark(*bookmark))
            return url;
    }
    const QString path = job.videoPath();
    if (!path.isEmpty() && QFileInfo::exists(path))
        return QUrl::fromLocalFile(path);
    return std::nullopt;
}

void JobService::processJob(MixJob* job, JobRun* run)
{
    const std::optional<QUrl> source = resolveVideoURL(*job);
    if (!source) {
        job->setStatus(JobStatus::failed);
        job->setStatusMessage(QStringLiteral("Cannot access video file"));
        run->end();
        return;
    }
    const std::optional<QUrl> output = job->outputURL();
    if (!output) {
        job->setStatus(JobStatus::failed);
        job->setStatusMessage(QStringLiteral("Invalid output path"));
        run->end();
        return;
    }
    run->openFolderAccess(output->adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash));

    double crossfade = m_settings.crossfadeDuration();
    if (crossfade == 0)
        crossfade = 3;
    const QList<QUrl> songs = job->audioURLs();
    const QPointer<MixJob> target(job);
    const QUrl outputURL = *output;

    RemuxProgress* progress = run->worker().remux(*source, songs, outputURL, crossfade);
    run->watch(
        progress,
        [this, run, target](float fraction, const QString& message) {
            if (!target)
                return;
            target->setProgress(fraction);
            // An observer of the progress may have paused or cancelled the job.
            if (run->isCancelled())
                return;
            target->setStatusMessage(message);
            refreshStats();
        },
        [this, run, target, songs, outputURL, crossfade](const std::optional<RemuxError>& error) {
            // After a cancel the canceller owns the record; the run only ends.
            if (run->isCancelled() || !target) {
                run->end();
                return;
            }
            if (error) {
                printConsoleLine(QStringLiteral("Job failed: ") + error->errorDescription());
                target->setStatus(JobStatus::failed);
                target->setStatusMessage(error->localizedDescription());
                run->end();
                return;
            }
            target->setStatusMessage(QStringLiteral("Saving tracklist..."));
            TracklistWriter::writeTracklistAsync(songs, outputURL, crossfade, run, [this, run, target] {
                if (!run->isCancelled() && target) {
                    target->setStatus(JobStatus::completed);
                    target->setProgress(1.0f);
                    target->setStatusMessage(QStringLiteral("Finished"));
                    refreshStats();
                }
                run->end();
            });
        });
}

// ---- observable properties -----------------------------------------------

void JobService::syncActiveCounts()
{
    setActiveJobsCount(int(m_activeJobTasks.size()));
    setIsProcessing(!m_activeJobTasks.isEmpty());
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

void JobService::setTotalJobCount(int v)
{
    if (m_totalJobCount == v)
        return;
    m_totalJobCount = v;
    emit totalJobCountChanged();
}

void JobService::setCompletedJobCount(int v)
{
    if (m_completedJobCount == v)
        return;
    m_completedJobCount = v;
    emit completedJobCountChanged();
}

void JobService::setOverallProgress(float v)
{
    if (m_overallProgress == v)
        return;
    m_overallProgress = v;
    emit overallProgressChanged();
}
