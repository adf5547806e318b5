#pragma once
// The settings at the top of the dashboard: the playlist and output folders,
// songs per video and the crossfade length, as three cards. Shows the
// settings view model's state and forwards every change to it.

#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;
class SettingsViewModel;

namespace views {

class ElidedLabel;
class FolderRow;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(SettingsViewModel& viewModel, QWidget* parent = nullptr);

private:
    QWidget* buildFoldersCard();
    QWidget* buildSongCountCard();
    QWidget* buildCrossfadeCard();
    void refresh();
    void chooseFolder(const QString& title, bool playlist);

    SettingsViewModel& m_viewModel;
    FolderRow* m_playlistRow = nullptr;
    FolderRow* m_outputRow = nullptr;
    QLabel* m_available = nullptr;
    QToolButton* m_minus = nullptr;
    QLabel* m_songCount = nullptr;
    QToolButton* m_plus = nullptr;
    QLabel* m_crossfadeValue = nullptr;
    QSlider* m_crossfade = nullptr;
};

} // namespace views
