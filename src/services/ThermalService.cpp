#include "services/ThermalService.h"

#include "platform/SysfsThermalSource.h"

namespace {
// The desktop's usual status colours.
const QColor kGreen(52, 199, 89);
const QColor kOrange(255, 149, 0);
const QColor kRed(255, 59, 48);
}

ThermalService::ThermalService(std::unique_ptr<ThermalSource> source, int pollIntervalMs,
                               SingleShotTimer timer, QObject* parent)
    : QObject(parent)
    , m_source(source ? std::move(source) : std::make_unique<SysfsThermalSource>())
    , m_pollIntervalMs(pollIntervalMs)
    , m_timer(timer ? std::move(timer) : realSingleShotTimer())
    , m_thermalColor(kGreen)
{
    updateThermalState();
    schedulePoll();
}

// The kernel sends no change notification for thermal zones that a desktop
// process could subscribe to, so the level is polled.
void ThermalService::schedulePoll()
{
    if (m_pollIntervalMs <= 0)
        return;
    m_timer(m_pollIntervalMs, this, [this] {
        updateThermalState();
        schedulePoll();
    });
}

ThermalService::~ThermalService() = default;

ThermalState ThermalService::stateForLevel(int level)
{
    switch (level) {
    case 1: return ThermalState::fair;
    case 2: return ThermalState::serious;
    case 3: return ThermalState::critical;
    default: return ThermalState::nominal;
    }
}

QColor ThermalService::colorFor(ThermalState state)
{
    switch (state) {
    case ThermalState::serious: return kOrange;
    case ThermalState::critical: return kRed;
    case ThermalState::nominal:
    case ThermalState::fair: break;
    }
    return kGreen;
}

void ThermalService::updateThermalState()
{
    const ThermalState state = stateForLevel(m_source->readLevel());
    const QColor color = colorFor(state);
    if (state != m_currentState) {
        m_currentState = state;
        emit currentStateChanged();
    }
    if (color != m_thermalColor) {
        m_thermalColor = color;
        emit thermalColorChanged();
    }
}
