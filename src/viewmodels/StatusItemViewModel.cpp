#include "viewmodels/StatusItemViewModel.h"

#include "services/JobService.h"
#include "services/ThermalService.h"
#include "services/TimeLeftEstimator.h"

StatusItemViewModel::StatusItemViewModel(JobService& jobService, ThermalService& thermalService, QObject* parent)
    : QObject(parent)
    , m_jobService(jobService)
    , m_thermalService(thermalService)
{
    connect(&m_jobService, &JobService::isQueuePausedChanged, this, &StatusItemViewModel::pauseTitleChanged);
    connect(&m_jobService, &JobService::isProcessingChanged, this, &StatusItemViewModel::labelChanged);
    connect(&m_thermalService, &ThermalService::thermalColorChanged, this, &StatusItemViewModel::labelChanged);
    connect(&m_jobService, &JobService::timeLeftChanged, this, &StatusItemViewModel::updateTimeLeftText);
    connect(&m_jobService, &JobService::isQueuePausedChanged, this, &StatusItemViewModel::updateTimeLeftText);
}

QString StatusItemViewModel::pauseTitleFor(bool queuePaused)
{
    return queuePaused ? tr("Resume Queue") : tr("Pause Queue");
}

bool StatusItemViewModel::isPaused() const
{
    return m_jobService.isQueuePaused();
}

bool StatusItemViewModel::isProcessing() const
{
    return m_jobService.isProcessing();
}

QColor StatusItemViewModel::thermalColor() const
{
    return m_thermalService.thermalColor();
}

QString StatusItemViewModel::statusText() const
{
    return m_jobService.isProcessing() ? tr("rendering") : tr("not running");
}

void StatusItemViewModel::updateTimeLeftText()
{
    const std::optional<double> left = m_jobService.queueSecondsLeft();
    const QString text = left ? tr("%1 left").arg(TimeLeftEstimator::format(*left)) : QString();
    if (text == m_timeLeftText)
        return;
    m_timeLeftText = text;
    emit timeLeftTextChanged();
}

void StatusItemViewModel::togglePause()
{
    m_jobService.togglePause();
}
