#pragma once
// The left pane: settings, the drop zone and the start button, wired to the
// dashboard view model. Also presents the file picker while the view model
// asks for it.

#include <QWidget>

class DashboardViewModel;
class SettingsViewModel;

namespace views {

class StartButton;
class VideoDropZone;

class DashboardView : public QWidget {
    Q_OBJECT
public:
    DashboardView(DashboardViewModel& viewModel, SettingsViewModel& settings, QWidget* parent = nullptr);

    // File types the picker offers (movies and images the app can use).
    static QStringList pickerNameFilters();

private:
    void refresh();
    void presentFilePicker();

    DashboardViewModel& m_viewModel;
    VideoDropZone* m_dropZone = nullptr;
    StartButton* m_start = nullptr;
};

} // namespace views
