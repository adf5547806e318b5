#include "viewmodels/ViewModelContainer.h"

#include "app/AppDependencyContainer.h"
#include "viewmodels/SettingsViewModel.h"
#include "viewmodels/StatusItemViewModel.h"

ViewModelContainer::ViewModelContainer(AppDependencyContainer& c, Options options)
{
    m_dashboard = std::make_unique<DashboardViewModel>(c.settingsService(), c.jobService(), c.thermalService(),
                                                       c.toastManager(), std::move(options.dashboard));
    m_queue = std::make_unique<QueueViewModel>(c.jobService(), c.modelContainer(), c.thermalService(),
                                               std::move(options.revealFile));
    m_settings = std::make_unique<SettingsViewModel>(c.settingsService());
    m_statusItem = std::make_unique<StatusItemViewModel>(c.jobService(), c.thermalService());
}

ViewModelContainer::~ViewModelContainer() = default;
