#pragma once
// The root object: opens nothing itself but takes the opened job store, then
// creates every long-lived service in a fixed order (settings before the
// thermal monitor before the job service, whose first scheduling pass needs
// both) and owns them for the life of the process.

#include "platform/ThermalSource.h"

#include <QObject>
#include <QSettings>
#include <memory>

class JobService;
class JobStore;
class SettingsService;
class ThermalService;
class ToastManager;

class AppDependencyContainer : public QObject {
    Q_OBJECT
public:
    // Seams for tests; the product passes none of them.
    struct Overrides {
        std::unique_ptr<QSettings> settings;
        std::unique_ptr<ThermalSource> thermalSource;
    };

    explicit AppDependencyContainer(std::unique_ptr<JobStore> store, Overrides overrides = {},
                                    QObject* parent = nullptr);
    ~AppDependencyContainer() override;

    bool isInitialized() const { return m_isInitialized; }
    JobStore& modelContainer() const { return *m_modelContainer; }
    SettingsService& settingsService() const { return *m_settingsService; }
    ThermalService& thermalService() const { return *m_thermalService; }
    ToastManager& toastManager() const { return *m_toastManager; }
    JobService& jobService() const { return *m_jobService; }

private:
    bool m_isInitialized = false;
    // Declaration order is destruction order in reverse: the job service goes
    // first, the store last.
    std::unique_ptr<JobStore> m_modelContainer;
    std::unique_ptr<SettingsService> m_settingsService;
    std::unique_ptr<ThermalService> m_thermalService;
    std::unique_ptr<ToastManager> m_toastManager;
    std::unique_ptr<JobService> m_jobService;
};
