#pragma once
// State behind the queue screen: the live job list, the queue's flags the
// header shows, the time left of each running job and of the queue, the
// "Clear Finished Jobs?" confirmation, and the per-job actions (single retry,
// reveal in the file manager) beside the job service's own operations.

#include "models/JobStatus.h"

#include <QColor>
#include <QObject>
#include <QUrl>

#include <functional>

class JobListModel;
class JobService;
class JobStore;
class MixJob;
class ThermalService;

class QueueViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isActive READ isActive WRITE setIsActive NOTIFY isActiveChanged)
    Q_PROPERTY(bool showClearConfirmation READ showClearConfirmation WRITE setShowClearConfirmation NOTIFY showClearConfirmationChanged)
    Q_PROPERTY(bool isQueuePaused READ isQueuePaused NOTIFY isQueuePausedChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(QColor thermalColor READ thermalColor NOTIFY thermalColorChanged)
    Q_PROPERTY(int jobCount READ jobCount NOTIFY jobCountChanged)

public:
    // Shows one file selected in the desktop's file manager.
    using RevealFile = std::function<void(const QUrl& file)>;

    // The per-row action a job's status offers besides delete.
    enum class RowAction { none, cancel, reveal, retry };
    static RowAction rowActionFor(JobStatus status);

    QueueViewModel(JobService& jobService, JobStore& store, ThermalService& thermalService,
                   RevealFile revealFile, QObject* parent = nullptr);

    bool isActive() const { return m_isActive; }
    void setIsActive(bool v);
    bool showClearConfirmation() const { return m_showClearConfirmation; }
    void setShowClearConfirmation(bool v);

    bool isQueuePaused() const;
    bool isProcessing() const;
    QColor thermalColor() const;
    int jobCount() const;
    // "0:41 left" beside a running job's status, once it can be told; else empty.
    QString timeLeftText(const MixJob* job) const;
    // "12:30 left in the queue", or empty.
    QString queueTimeLeftText() const;

    // Newest first, live.
    JobListModel* jobs() const { return m_jobs; }

    void retryJob(MixJob* job);
    void revealInFileManager(MixJob* job);

    // The header's and rows' job-service operations.
    void togglePause();
    void retryFailedJobs();
    void clearFinishedJobs();
    void cancelJob(MixJob* job);
    void deleteJob(MixJob* job);

signals:
    void isActiveChanged();
    void showClearConfirmationChanged();
    void isQueuePausedChanged();
    void isProcessingChanged();
    void thermalColorChanged();
    void jobCountChanged();
    void timeLeftChanged(); // once a second while jobs run

private:
    void updateJobCount();

    JobService& m_jobService;
    ThermalService& m_thermalService;
    RevealFile m_revealFile;
    JobListModel* m_jobs = nullptr;
    bool m_isActive = true;
    bool m_showClearConfirmation = false;
    int m_jobCount = 0;
};
