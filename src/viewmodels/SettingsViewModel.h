#pragma once
// What the settings section shows and may do: the two folders, songs per
// video with its stepper bounds, and the crossfade length. Holds no state; it
// reads and writes the settings service, and announces every change of it.

#include "models/Crossfade.h"

#include <QObject>
#include <QString>
#include <QUrl>

class SettingsService;

class SettingsViewModel : public QObject {
    Q_OBJECT
public:
    // The slider's ends, for the screen that cannot see the lower floors.
    static constexpr double crossfadeMinimum = crossfade::minSeconds;
    static constexpr double crossfadeMaximum = crossfade::maxSeconds;
    static constexpr double crossfadeStep = 0.5;

    explicit SettingsViewModel(SettingsService& settingsService, QObject* parent = nullptr);

    bool hasPlaylistFolder() const;
    // "Songs · 42 musics", or "Not Selected".
    QString playlistSubtitle() const;
    bool hasOutputFolder() const;
    // The folder's name, or "Downloads (Default)".
    QString outputSubtitle() const;

    int songCount() const;
    int availableSongCount() const;
    bool canDecreaseSongCount() const;
    bool canIncreaseSongCount() const;
    void decreaseSongCount();
    void increaseSongCount();

    double crossfadeDuration() const;
    QString crossfadeText() const; // "3.0s"
    void setCrossfadeDuration(double seconds);

    void choosePlaylistFolder(const QUrl& folder);
    void clearPlaylistFolder();
    void chooseOutputFolder(const QUrl& folder);
    void clearOutputFolder();

signals:
    // Any of the values above may have changed.
    void changed();

private:
    SettingsService& m_settings;
};
