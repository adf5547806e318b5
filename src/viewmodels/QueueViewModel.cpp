#include "viewmodels/QueueViewModel.h"

#include "models/JobListModel.h"
#include "models/MixJob.h"
#include "services/JobService.h"
#include "services/ThermalService.h"
#include "services/TimeLeftEstimator.h"

QueueViewModel::QueueViewModel(JobService& jobService, JobStore& store, ThermalService& thermalService,
                               RevealFile revealFile, QObject* parent)
    : QObject(parent)
    , m_jobService(jobService)
    , m_thermalService(thermalService)
    , m_revealFile(std::move(revealFile))
    , m_jobs(new JobListModel(&store, this))
{
    connect(&m_jobService, &JobService::isQueuePausedChanged, this, &QueueViewModel::isQueuePausedChanged);
    connect(&m_jobService, &JobService::isProcessingChanged, this, &QueueViewModel::isProcessingChanged);
    connect(&m_thermalService, &ThermalService::thermalColorChanged, this, &QueueViewModel::thermalColorChanged);
    connect(&m_jobService, &JobService::timeLeftChanged, this, &QueueViewModel::timeLeftChanged);
    connect(m_jobs, &JobListModel::rowsInserted, this, &QueueViewModel::updateJobCount);
    connect(m_jobs, &JobListModel::rowsRemoved, this, &QueueViewModel::updateJobCount);
    connect(m_jobs, &JobListModel::modelReset, this, &QueueViewModel::updateJobCount);
    m_jobCount = m_jobs->rowCount();
}

QueueViewModel::RowAction QueueViewModel::rowActionFor(JobStatus status)
{
    switch (status) {
    case JobStatus::processing:
        return RowAction::cancel;
    case JobStatus::completed:
        return RowAction::reveal;
    case JobStatus::failed:
    case JobStatus::cancelled:
        return RowAction::retry;
    case JobStatus::pending:
    case JobStatus::paused:
        break;
    }
    return RowAction::none;
}

void QueueViewModel::setIsActive(bool v)
{
    if (m_isActive == v)
        return;
    m_isActive = v;
    emit isActiveChanged();
}

void QueueViewModel::setShowClearConfirmation(bool v)
{
    if (m_showClearConfirmation == v)
        return;
    m_showClearConfirmation = v;
    emit showClearConfirmationChanged();
}

bool QueueViewModel::isQueuePaused() const
{
    return m_jobService.isQueuePaused();
}

bool QueueViewModel::isProcessing() const
{
    return m_jobService.isProcessing();
}

QColor QueueViewModel::thermalColor() const
{
    return m_thermalService.thermalColor();
}

int QueueViewModel::jobCount() const
{
    return m_jobCount;
}

QString QueueViewModel::timeLeftText(const MixJob* job) const
{
    if (!job || job->status() != JobStatus::processing)
        return {};
    const std::optional<double> left = m_jobService.secondsLeft(job->id());
    return left ? tr("%1 left").arg(TimeLeftEstimator::format(*left)) : QString();
}

QString QueueViewModel::queueTimeLeftText() const
{
    const std::optional<double> left = m_jobService.queueSecondsLeft();
    return left ? tr("%1 left in the queue").arg(TimeLeftEstimator::format(*left)) : QString();
}

void QueueViewModel::updateJobCount()
{
    const int count = m_jobs->rowCount();
    if (count == m_jobCount)
        return;
    m_jobCount = count;
    emit jobCountChanged();
}

void QueueViewModel::retryJob(MixJob* job)
{
    m_jobService.retryJob(job);
}

void QueueViewModel::revealInFileManager(MixJob* job)
{
    if (!job || !m_revealFile)
        return;
    // The stored path is asked for even if the file has moved since: the file
    // manager says so better than we could.
    if (const auto url = job->outputURL())
        m_revealFile(*url);
}

void QueueViewModel::togglePause()
{
    m_jobService.togglePause();
}

void QueueViewModel::retryFailedJobs()
{
    m_jobService.retryFailedJobs();
}

void QueueViewModel::clearFinishedJobs()
{
    m_jobService.clearFinishedJobs();
}

void QueueViewModel::cancelJob(MixJob* job)
{
    if (job)
        m_jobService.cancelJob(job);
}

void QueueViewModel::deleteJob(MixJob* job)
{
    if (job)
        m_jobService.deleteJob(job);
}
