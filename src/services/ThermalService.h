#pragma once
// ThermalService: follows the machine's thermal level and publishes it as a
// four-step state (the queue's concurrency limit) and a status colour.

#include "platform/ThermalSource.h"
#include "services/SingleShotTimer.h"

#include <QColor>
#include <QObject>

#include <memory>

enum class ThermalState { nominal, fair, serious, critical };

class ThermalService : public QObject {
    Q_OBJECT
    Q_PROPERTY(ThermalState currentState READ currentState NOTIFY currentStateChanged)
    Q_PROPERTY(QColor thermalColor READ thermalColor NOTIFY thermalColorChanged)

public:
    static constexpr int defaultPollIntervalMs = 10000;

    // `source` defaults to the kernel's thermal zones. Reads the level once
    // before returning, then again every `pollIntervalMs` (0 = never), each
    // wait started through `timer` (a real timer by default).
    explicit ThermalService(std::unique_ptr<ThermalSource> source = {},
                            int pollIntervalMs = defaultPollIntervalMs, SingleShotTimer timer = {},
                            QObject* parent = nullptr);
    ~ThermalService() override;

    ThermalState currentState() const { return m_currentState; }
    QColor thermalColor() const { return m_thermalColor; }

    // Reads the level afresh and publishes it (each property notifies only
    // when its own value changes).
    void updateThermalState();

    static ThermalState stateForLevel(int level);
    static QColor colorFor(ThermalState state);

signals:
    void currentStateChanged();
    void thermalColorChanged();

private:
    void schedulePoll();

    std::unique_ptr<ThermalSource> m_source;
    int m_pollIntervalMs;
    SingleShotTimer m_timer;
    ThermalState m_currentState = ThermalState::nominal;
    QColor m_thermalColor;
};

Q_DECLARE_METATYPE(ThermalState)
