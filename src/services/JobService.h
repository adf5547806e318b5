#pragma once
// JobService: the persistent, thermally throttled job queue. Starts waiting
// jobs oldest first up to the thermal limit, runs each through its own
// RemuxWorker, copies progress into the record, keeps the queue statistics,
// rests after every ten finished jobs and announces the end of the queue.
// Lives on the main thread; only the workers do media work.

#include "models/JobStatus.h"
#include "services/TaskPriority.h"
#include "services/ThermalService.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class JobRun;
class JobStore;
class MixJob;
class RemuxWorker;
class SettingsService;

using RemuxWorkerFactory = std::function<std::unique_ptr<RemuxWorker>()>;

struct JobServiceTimings {
    int coolDownMs = 60 * 1000;       // rest after every ten finished jobs
    int heatRecheckMs = 120 * 1000;   // re-check while paused for heat
    // How long a cancelled run that is still unwinding keeps its output path
    // from being started again by another run.
    int unwindHoldMs = 5 * 1000;
    // Whole seconds since the epoch, for output names (tests fix it).
    std::function<qint64()> unixSeconds;
};

class JobService : public QObject {
    Q_OBJECT
    Q_PROPERTY(int activeJobsCount READ activeJobsCount NOTIFY activeJobsCountChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(bool isQueuePaused READ isQueuePaused NOTIFY isQueuePausedChanged)
    Q_PROPERTY(int totalJobCount READ totalJobCount NOTIFY totalJobCountChanged)
    Q_PROPERTY(int completedJobCount READ completedJobCount NOTIFY completedJobCountChanged)
    Q_PROPERTY(float overallProgress READ overallProgress NOTIFY overallProgressChanged)

public:
    static constexpr int maxJobsAtOnce = 3;
    static constexpr int jobsBeforeCoolDown = 10;

    // `workerFactory` defaults to a real RemuxWorker per run. Marks jobs left
    // `processing` by an earlier process as failed ("Interrupted"), starts
    // watching the thermal state and runs one scheduling pass.
    JobService(JobStore& store, SettingsService& settings, ThermalService& thermal,
               RemuxWorkerFactory workerFactory = {}, JobServiceTimings timings = {},
               QObject* parent = nullptr);
    ~JobService() override;

    int activeJobsCount() const { return m_activeJobsCount; }
    bool isProcessing() const { return m_isProcessing; }
    bool isQueuePaused() const { return m_isQueuePaused; }
    int totalJobCount() const { return m_totalJobCount; }
    int completedJobCount() const { return m_completedJobCount; }
    float overallProgress() const { return m_overallProgress; }
    bool isCoolingDown() const { return m_isCoolingDown; }
    int batchCounter() const { return m_batchCounter; }

    static int maxConcurrentJobs(ThermalState state);
    static TaskPriority priorityFor(ThermalState state);

    // Scheduling.
    void processQueue();
    void startJob(MixJob* job);
    void jobDidFinish();
    void startCoolDown();
    void pauseQueue();
    void resumeQueue();
    void togglePause();
    void pauseForHeat();
    void refreshStats();
    void updateJobStatus(const QUuid& jobId, JobStatus status, const QString& message);

    // The user's queue operations.
    void addJob(const QUrl& videoURL, const QList<QUrl>& audioURLs, const QUrl& outputFolder);
    void cancelJob(MixJob* job);
    void deleteJob(MixJob* job);
    void retryFailedJobs();
    void clearFinishedJobs();

    // One run of one job (the body of the job's task).
    void processJob(MixJob* job, JobRun* run);
    std::optional<QUrl> resolveVideoURL(const MixJob& job) const;

signals:
    void activeJobsCountChanged();
    void isProcessingChanged();
    void isQueuePausedChanged();
    void totalJobCountChanged();
    void completedJobCountChanged();
    void overallProgressChanged();

private:
    void setActiveJobsCount(int v);
    void setIsProcessing(bool v);
    void setIsQueuePaused(bool v);
    void setTotalJobCount(int v);
    void setCompletedJobCount(int v);
    void setOverallProgress(float v);
    void syncActiveCounts();

    void failInterruptedJobs();
    bool isOutputPathBusy(const QString& outputPath, int* holdLeftMs);
    void cancelTask(JobRun* run);
    void taskEnded(JobRun* run);
    void notifyQueueFinished();

    JobStore& m_store;
    SettingsService& m_settings;
    ThermalService& m_thermal;
    RemuxWorkerFactory m_workerFactory;
    JobServiceTimings m_timings;

    int m_activeJobsCount = 0;
    bool m_isProcessing = false;
    bool m_isQueuePaused = false;
    int m_totalJobCount = 0;
    int m_completedJobCount = 0;
    float m_overallProgress = 0;

    QHash<QUuid, JobRun*> m_activeJobTasks; // the current run of each running job
    QSet<JobRun*> m_liveRuns;               // every run not yet ended, cancelled ones included
    QSet<JobRun*> m_holdingRuns;            // unwinding runs that held back a start
    QSet<QUuid> m_jobsRunSinceFinish;       // for the end-of-queue failure count
    int m_batchCounter = 0;
    bool m_isCoolingDown = false;
    QTimer m_coolDownTimer;
    QTimer m_heatRecheckTimer;
    QTimer m_unwindHoldTimer;
};
