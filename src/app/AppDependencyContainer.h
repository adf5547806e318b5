#pragma once
// The root object: opens nothing itself but takes the opened job store, then
// creates every long-lived service in a fixed order (files and notifications,
// settings, the thermal monitor, then the job service, whose first scheduling
// pass needs them all), owns them for the life of the process and hands each
// the others it needs. Nothing else makes a service.

#include "platform/ThermalSource.h"
#include "viewmodels/ViewModelContainer.h"

#include <QObject>
#include <QSettings>
#include <memory>

class FileService;
class JobService;
class JobStore;
class NotificationService;
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

    JobStore& jobStore() const { return *m_jobStore; }
    SettingsService& settingsService() const { return *m_settingsService; }
    ThermalService& thermalService() const { return *m_thermalService; }
    ToastManager& toastManager() const { return *m_toastManager; }
    NotificationService& notificationService() const { return *m_notificationService; }
    JobService& jobService() const { return *m_jobService; }
    // What the screens' view models are built over.
    ViewModelContainer::Services viewModelServices() const;

private:
    // Declaration order is destruction order in reverse: the job service goes
    // first, the store last.
    std::unique_ptr<JobStore> m_jobStore;
    std::unique_ptr<FileService> m_fileService;
    std::unique_ptr<NotificationService> m_notificationService;
    std::unique_ptr<SettingsService> m_settingsService;
    std::unique_ptr<ThermalService> m_thermalService;
    std::unique_ptr<ToastManager> m_toastManager;
    std::unique_ptr<JobService> m_jobService;
};
