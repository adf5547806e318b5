#pragma once
// SettingsService: playlist/output folders (stored as bookmarks), crossfade
// length, songs per video, the mix options new jobs take, and the song
// library scanned from the playlist folder. Preferences live in QSettings
// under the keys "crossfadeDuration", "songCount", "playlistFolderBookmark",
// "outputFolderBookmark", "matchLoudness", "loudnessTarget",
// "truePeakCeiling" and "titlesFromTags".

#include "models/MixOptions.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QSettings>
#include <QThreadPool>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

class FileService;

class SettingsService : public QObject {
    Q_OBJECT
    Q_PROPERTY(double crossfadeDuration READ crossfadeDuration WRITE setCrossfadeDuration NOTIFY crossfadeDurationChanged)
    Q_PROPERTY(int songCount READ songCount WRITE setSongCount NOTIFY songCountChanged)
    Q_PROPERTY(bool matchLoudness READ matchLoudness WRITE setMatchLoudness NOTIFY mixOptionsChanged)
    Q_PROPERTY(double loudnessTarget READ loudnessTarget WRITE setLoudnessTarget NOTIFY mixOptionsChanged)
    Q_PROPERTY(double truePeakCeiling READ truePeakCeiling WRITE setTruePeakCeiling NOTIFY mixOptionsChanged)
    Q_PROPERTY(bool titlesFromTags READ titlesFromTags WRITE setTitlesFromTags NOTIFY mixOptionsChanged)

public:
    // `settings` defaults to the user's QSettings (XDG config dir); tests pass
    // their own. Restores both folders from their bookmarks at the end.
    explicit SettingsService(FileService& fileService, std::unique_ptr<QSettings> settings = {},
                             QObject* parent = nullptr);
    ~SettingsService() override;

    std::optional<QUrl> playlistFolderURL() const { return m_playlistFolderURL; }
    void setPlaylistFolderURL(const std::optional<QUrl>& url);
    std::optional<QUrl> outputFolderURL() const { return m_outputFolderURL; }
    void setOutputFolderURL(const std::optional<QUrl>& url);
    QList<QUrl> availableSongs() const { return m_availableSongs; }
    void setAvailableSongs(const QList<QUrl>& songs);

    // Bound of the song count, wherever it enters: the settings screen, the
    // stored preferences and the command line (the crossfade's are in
    // models/Crossfade.h).
    static constexpr int maxSongCount = 1000;

    // The default when absent or not a number; a stored 0 is no crossfade; a
    // value outside the crossfade bounds reads as the nearest bound.
    double crossfadeDuration() const;
    void setCrossfadeDuration(double seconds);
    // 15 when stored 0 or absent; outside 1 to maxSongCount the nearest bound.
    int songCount() const;
    void setSongCount(int count);

    // The mix options (models/MixOptions.h). A stored value that is not one
    // (not a boolean, not a number, out of bounds) reads as the default.
    bool matchLoudness() const;
    void setMatchLoudness(bool on);
    double loudnessTarget() const;
    void setLoudnessTarget(double lufs);
    double truePeakCeiling() const;
    void setTruePeakCeiling(double dbtp);
    bool titlesFromTags() const;
    void setTitlesFromTags(bool on);
    // What a job made now takes.
    MixOptions mixOptions() const;

    static const QSet<QString>& supportedAudioExtensions();

    // Scans the playlist folder on a worker thread; availableSongs() changes
    // once the scan is done. A later scan (or clearing the folder) drops the
    // result of an earlier one still running.
    void loadAvailableSongs();
    bool isScanningSongs() const { return m_scanStop != nullptr; }
    void saveBookmark(const QUrl& url, const QString& key);

    // The settings screen's fixed sequences.
    void choosePlaylistFolder(const QUrl& url);
    void clearPlaylistFolder();
    void chooseOutputFolder(const QUrl& url);
    void clearOutputFolder();

    QSettings& settings() { return *m_settings; }

signals:
    void playlistFolderURLChanged();
    void outputFolderURLChanged();
    void availableSongsChanged();
    void crossfadeDurationChanged();
    void songCountChanged();
    void mixOptionsChanged();

private:
    void restoreBookmarks();
    void storeMixOption(const QString& key, const QVariant& value);
    void supersedeScan();
    void applyScan(quint64 generation, const QList<QUrl>& songs);

    FileService& m_fileService;
    std::unique_ptr<QSettings> m_settings;
    std::optional<QUrl> m_playlistFolderURL;
    std::optional<QUrl> m_outputFolderURL;
    QList<QUrl> m_availableSongs;
    // One scan thread: a superseded scan stops at its next folder.
    QThreadPool m_scanPool;
    quint64 m_scanGeneration = 0;
    std::shared_ptr<std::atomic<bool>> m_scanStop; // the running scan's, null when none runs
};
