#include "app/AppDependencyContainer.h"

#include "models/JobStore.h"
#include "services/FileService.h"
#include "services/JobService.h"
#include "services/NotificationService.h"
#include "services/SettingsService.h"
#include "services/ThermalService.h"
#include "services/ToastManager.h"

#include <QSettings>

AppDependencyContainer::AppDependencyContainer(std::unique_ptr<JobStore> store, Overrides overrides,
                                               QObject* parent)
    : QObject(parent)
{
    m_jobStore = std::move(store);
    m_fileService = std::make_unique<FileService>();
    m_notificationService = std::make_unique<NotificationService>();
    m_settingsService = std::make_unique<SettingsService>(*m_fileService, std::move(overrides.settings));
    m_thermalService = std::make_unique<ThermalService>(std::move(overrides.thermalSource));
    m_toastManager = std::make_unique<ToastManager>();
    m_jobService = std::make_unique<JobService>(*m_jobStore, *m_settingsService, *m_thermalService, *m_fileService,
                                                *m_notificationService);
}

ViewModelContainer::Services AppDependencyContainer::viewModelServices() const
{
    return {*m_settingsService, *m_jobService, *m_jobStore, *m_thermalService, *m_toastManager};
}

AppDependencyContainer::~AppDependencyContainer()
{
    // Jobs stop before the services they use go away.
    m_jobService.reset();
}
