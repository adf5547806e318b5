#pragma once
// The application shell: the main window with its menu bar, the tray item,
// the update check and the "open these files" entry used by the command
// line. Built over the service container once it exists.

#include "platform/FileManagerReveal.h"
#include "viewmodels/CheckForUpdatesViewModel.h"
#include "viewmodels/ViewModelContainer.h"

#include <QObject>
#include <QStringList>

#include <memory>

class AppDependencyContainer;
class QMainWindow;

namespace views {
class ContentView;
class PreferencesDialog;
class StatusTrayIcon;
}

class LoopcasterApp : public QObject {
    Q_OBJECT
public:
    explicit LoopcasterApp(AppDependencyContainer& container, QObject* parent = nullptr);
    ~LoopcasterApp() override;

    // Adds the files to the dashboard as a drop would (unsupported types are
    // left out) and brings the window to the front.
    void openFiles(const QStringList& paths);

    void showWindow();

    QMainWindow* window() const { return m_window.get(); }
    views::ContentView* contentView() const { return m_content; }
    ViewModelContainer& viewModels() { return m_viewModels; }

private:
    void buildMenus();
    void setUpTray();
    void showAbout();
    void showPreferences();
    void showUpdateReport(const UpdateReport& report);

    AppDependencyContainer& m_container;
    FileManagerReveal m_reveal;
    ViewModelContainer m_viewModels;
    CheckForUpdatesViewModel m_updates;
    std::unique_ptr<QMainWindow> m_window;
    views::ContentView* m_content = nullptr;
    std::unique_ptr<views::StatusTrayIcon> m_tray;
    views::PreferencesDialog* m_preferences = nullptr; // made on first use, owned by the window
};
