#include "viewmodels/ViewModelContainer.h"

#include "viewmodels/PreferencesViewModel.h"
#include "viewmodels/SettingsViewModel.h"
#include "viewmodels/StatusItemViewModel.h"
#include "viewmodels/ToastViewModel.h"

ViewModelContainer::ViewModelContainer(Services s, Options options)
{
    m_dashboard = std::make_unique<DashboardViewModel>(s.settings, s.jobs, s.thermal, s.toasts,
                                                       std::move(options.dashboard));
    m_queue = std::make_unique<QueueViewModel>(s.jobs, s.store, s.thermal, std::move(options.revealFile));
    m_settings = std::make_unique<SettingsViewModel>(s.settings);
    m_preferences = std::make_unique<PreferencesViewModel>(s.settings);
    m_statusItem = std::make_unique<StatusItemViewModel>(s.jobs, s.thermal);
    m_toast = std::make_unique<ToastViewModel>(s.toasts);
}

ViewModelContainer::~ViewModelContainer() = default;
