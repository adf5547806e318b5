#pragma once
// The screens' view models, built once over the services the app's container
// hands over, in the order the screens need them.

#include "viewmodels/DashboardViewModel.h"
#include "viewmodels/QueueViewModel.h"

#include <memory>

class JobService;
class JobStore;
class PreferencesViewModel;
class SettingsService;
class SettingsViewModel;
class StatusItemViewModel;
class ThermalService;
class ToastManager;
class ToastViewModel;

class ViewModelContainer {
public:
    struct Services {
        SettingsService& settings;
        JobService& jobs;
        JobStore& store;
        ThermalService& thermal;
        ToastManager& toasts;
    };
    struct Options {
        DashboardViewModel::Options dashboard;
        QueueViewModel::RevealFile revealFile;
    };

    explicit ViewModelContainer(Services services, Options options = {});
    ~ViewModelContainer();

    DashboardViewModel& dashboardViewModel() const { return *m_dashboard; }
    QueueViewModel& queueViewModel() const { return *m_queue; }
    SettingsViewModel& settingsViewModel() const { return *m_settings; }
    PreferencesViewModel& preferencesViewModel() const { return *m_preferences; }
    StatusItemViewModel& statusItemViewModel() const { return *m_statusItem; }
    ToastViewModel& toastViewModel() const { return *m_toast; }

private:
    std::unique_ptr<DashboardViewModel> m_dashboard;
    std::unique_ptr<QueueViewModel> m_queue;
    std::unique_ptr<SettingsViewModel> m_settings;
    std::unique_ptr<PreferencesViewModel> m_preferences;
    std::unique_ptr<StatusItemViewModel> m_statusItem;
    std::unique_ptr<ToastViewModel> m_toast;
};
