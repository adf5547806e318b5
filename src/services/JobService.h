#pragma once
// JobService: the persistent, thermally throttled job queue. Starts waiting
// jobs oldest first up to the thermal limit, runs each as a JobRender on its
// own thread pool, copies progress and outcomes into the records, rests after
// every ten finished jobs and announces the end of the queue. Lives on the main thread; only the renders do media work.

#include "models/JobStatus.h"
#include "services/SingleShotTimer.h"
#include "platform/RenderPriority.h"
#include "services/ThermalService.h"
#include "services/TimeLeftEstimator.h"

#include <QHash>
#include <QList>
#include <QMultiHash>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class JobRender;
class FileService;
class JobStore;
class MixJob;
class NotificationService;
class RenderEngine;
class SettingsService;
struct JobRenderOutcome;
struct JobRenderRequest;

// Makes the media engine of one run (tests script runs through it).
using RenderEngineFactory = std::function<std::unique_ptr<RenderEngine>(const JobRenderRequest&)>;

struct JobServiceTimings {
    int coolDownMs = 60 * 1000;       // rest after every ten finished jobs
    int heatRecheckMs = 120 * 1000;   // re-check while paused for heat
    // How long a cancelled run that is still unwinding keeps its output path
    // from being started again by another run.
    int unwindHoldMs = 5 * 1000;
    // Whole seconds since the epoch, for output names (tests fix it).
    std::function<qint64()> unixSeconds;
    // Milliseconds on a steady clock, and the waits above (tests drive both
    // by hand; real clock and timers by default).
    std::function<qint64()> steadyMs;
    SingleShotTimer timer;
};

class JobService : public QObject {
    Q_OBJECT
    Q_PROPERTY(int activeJobsCount READ activeJobsCount NOTIFY activeJobsCountChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(bool isQueuePaused READ isQueuePaused NOTIFY isQueuePausedChanged)

public:
    static constexpr int maxJobsAtOnce = 3;
    static constexpr int jobsBeforeCoolDown = 10;

    // `files` makes and resolves the sources' bookmarks; `notifications`
    // announces the end of the queue. `engineFactory` defaults to the media
    // engine. Marks jobs left
    // `processing` by a crashed process as failed ("Interrupted"), removes
    // the temporaries runs of earlier processes left beside their movies
    // and marks jobs whose movie is already committed as finished (both
    // looked up on a worker; those jobs start once that is done),
    // starts watching the thermal state and runs one scheduling pass.
    JobService(JobStore& store, SettingsService& settings, ThermalService& thermal, const FileService& files,
               NotificationService& notifications, RenderEngineFactory engineFactory = {},
               JobServiceTimings timings = {}, QObject* parent = nullptr);
    ~JobService() override;

    int activeJobsCount() const { return m_activeJobsCount; }
    bool isProcessing() const { return m_isProcessing; }
    bool isQueuePaused() const { return m_isQueuePaused; }
    bool isCoolingDown() const { return m_isCoolingDown; }
    int batchCounter() const { return m_batchCounter; }

    // The time left of a running job (nothing until it can be told), and of
    // the whole queue at the current thermal limit (nothing while the queue
    // is paused or that cannot be told yet). Both change at timeLeftChanged().
    std::optional<double> secondsLeft(const QUuid& jobId) const { return m_timeLeft.secondsLeft(jobId); }
    std::optional<double> queueSecondsLeft() const;

    static int maxConcurrentJobs(ThermalState state);
    static RenderPriority priorityFor(ThermalState state);

    // Scheduling.
    void processQueue();
    void pauseQueue();
    void resumeQueue();
    void togglePause();

    // Quitting: stops every run and puts its job back to pending ("Waiting...")
    // so it resumes at the next start; nothing new starts afterwards.
    // rendersStopped() follows once every run has unwound (at once when none runs).
    void stopForQuit();
    bool hasLiveRenders() const { return !m_liveRenders.isEmpty(); }
    // True from construction until the start-up listing of the output
    // folders is back and its leftovers removed.
    bool isSweepingLeftovers() const { return !m_sweepingPaths.isEmpty(); }

    // The user's queue operations.
    void addJob(const QUrl& videoURL, const QList<QUrl>& audioURLs, const QUrl& outputFolder);
    void cancelJob(MixJob* job);
    void deleteJob(MixJob* job);
    // Puts a failed or cancelled job back to waiting ("Waiting...") and runs
    // the scheduler; a job in any other state is left alone.
    void retryJob(MixJob* job);
    // The same for every failed job, as one batch ("Retrying...").
    void retryFailedJobs();
    void clearFinishedJobs();

signals:
    void activeJobsCountChanged();
    void isProcessingChanged();
    void isQueuePausedChanged();
    void rendersStopped();
    // Once a second while jobs run, and whenever one starts or stops.
    void timeLeftChanged();

private:
    // One of the service's waits. Starting it again or stopping it turns
    // the expiry of an earlier start into nothing.
    struct Wait {
        quint64 generation = 0;
        bool active = false;
    };
    void startWait(Wait& wait, int ms, std::function<void()> expire);
    void heatRecheck();
    void tickTimeLeft();

    void startJob(MixJob* job);
    void afterJobEnded();
    void startCoolDown();
    void pauseForHeat();
    void updateJobStatus(const QUuid& jobId, JobStatus status, const QString& message);
    bool requeue(MixJob* job, const QString& message);
    void applyProgress(JobRender* render, float fraction, const QString& message);
    void applyOutcome(JobRender* render, const JobRenderOutcome& outcome);
    void removeTemporariesOfIdlePath(const QString& outputPath);
    void removeLeftoverTemporaries();
    void finishSweep(const QMultiHash<QString, QString>& leftovers, const QSet<QString>& committed);

    void setActiveJobsCount(int v);
    void setIsProcessing(bool v);
    void setIsQueuePaused(bool v);
    void syncActiveCounts();

    void failInterruptedJobs();
    bool isOutputPathBusy(const QString& outputPath, int* holdLeftMs);
    void cancelRender(JobRender* render);
    void renderEnded(JobRender* render, const JobRenderOutcome& outcome);
    void notifyQueueFinished();

    JobStore& m_store;
    SettingsService& m_settings;
    ThermalService& m_thermal;
    const FileService& m_files;
    NotificationService& m_notifications;
    RenderEngineFactory m_engineFactory;
    JobServiceTimings m_timings;
    TimeLeftEstimator m_timeLeft;
    // The renders' threads: one per running job, plus room for cancelled
    // runs still unwinding.
    QThreadPool m_runPool;
    // Start-up listing of the output folders; joined at destruction.
    QThreadPool m_housekeepingPool;
    QSet<QString> m_sweepingPaths; // movies whose leftovers are being looked for
    bool m_quitting = false;

    int m_activeJobsCount = 0;
    bool m_isProcessing = false;
    bool m_isQueuePaused = false;

    QHash<QUuid, JobRender*> m_currentRenders; // the current run of each running job
    QSet<JobRender*> m_liveRenders;               // every run not yet ended, cancelled ones included
    QSet<JobRender*> m_holdingRenders;            // unwinding runs that held back a start
    QHash<JobRender*, qint64> m_cancelledAtMs; // when each cancelled live run was stopped
    QSet<QUuid> m_jobsRunSinceFinish;       // for the end-of-queue failure count
    int m_batchCounter = 0;
    bool m_isCoolingDown = false;
    Wait m_coolDown;
    Wait m_heatRecheck;
    Wait m_unwindHold;
    Wait m_timeLeftTick;
};
