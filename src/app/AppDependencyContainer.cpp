#include "app/AppDependencyContainer.h"

#include "models/JobStore.h"
#include "services/FileService.h"
#include "services/JobService.h"
#include "services/SettingsService.h"
#include "services/ThermalService.h"
#include "services/ToastManager.h"

#include <QSettings>

AppDependencyContainer::AppDependencyContainer(std::unique_ptr<JobStore> store, Overrides overrides,
                                               QObject* parent)
    : QObject(parent)
{
    m_isInitialized = true;
    m_modelContainer = std::move(store);
    m_settingsService = std::make_unique<SettingsService>(FileService::shared(), std::move(overrides.settings));
    m_thermalService = std::make_unique<ThermalService>(std::move(overrides.thermalSource));
    m_toastManager = std::make_unique<ToastManager>();
    m_jobService = std::make_unique<JobService>(*m_modelContainer, *m_settingsService, *m_thermalService);
}

AppDependencyContainer::~AppDependencyContainer()
{
    // Jobs stop before the services they use go away.
    m_jobService.reset();
}
