#include "services/ToastManager.h"

#include <cmath>

ToastManager::ToastManager(SingleShotTimer timer, QObject* parent)
    : QObject(parent), m_timer(timer ? std::move(timer) : realSingleShotTimer())
{
}

void ToastManager::setActiveToast(const std::optional<Toast>& toast)
{
    if (m_activeToast == toast)
        return;
    m_activeToast = toast;
    emit activeToastChanged();
}

void ToastManager::show(const QString& message, ToastType type, double duration)
{
    setActiveToast(Toast {QUuid::createUuid(), message, type, duration});
    // Timers are never cancelled: a timer that finds a different text leaves
    // it alone (its own timer removes it); one that finds the same text
    // removes it, even if that text was shown again since.
    const int ms = int(std::lround(std::max(0.0, duration) * 1000.0));
    m_timer(ms, this, [this, message] {
        if (m_activeToast && m_activeToast->message == message)
            setActiveToast(std::nullopt);
    });
}

void ToastManager::dismiss()
{
    setActiveToast(std::nullopt);
}
