#pragma once
// The screens' view models, built once over the service container in the
// order the screens need them. They live beside the container rather than in
// it because the container belongs to the core, which knows no view models.

#include "viewmodels/DashboardViewModel.h"
#include "viewmodels/QueueViewModel.h"

#include <memory>

class AppDependencyContainer;
class SettingsViewModel;
class StatusItemViewModel;

class ViewModelContainer {
public:
    struct Options {
        DashboardViewModel::Options dashboard;
        QueueViewModel::RevealFile revealFile;
    };

    explicit ViewModelContainer(AppDependencyContainer& container, Options options = {});
    ~ViewModelContainer();

    DashboardViewModel& dashboardViewModel() const { return *m_dashboard; }
    QueueViewModel& queueViewModel() const { return *m_queue; }
    SettingsViewModel& settingsViewModel() const { return *m_settings; }
    StatusItemViewModel& statusItemViewModel() const { return *m_statusItem; }

private:
    std::unique_ptr<DashboardViewModel> m_dashboard;
    std::unique_ptr<QueueViewModel> m_queue;
    std::unique_ptr<SettingsViewModel> m_settings;
    std::unique_ptr<StatusItemViewModel> m_statusItem;
};
