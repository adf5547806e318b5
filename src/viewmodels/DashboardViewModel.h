#pragma once
// State of the dashboard: the videos and images chosen but not yet queued,
// the picker and drop-hover flags, and the step that turns the selection into
// one job per file, each with its own song list drawn from the library.

#include "services/SongChooser.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

class JobService;
class SettingsService;
class ThermalService;
class ToastManager;

class DashboardViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool showSettings READ showSettings WRITE setShowSettings NOTIFY showSettingsChanged)
    Q_PROPERTY(bool showFilePicker READ showFilePicker WRITE setShowFilePicker NOTIFY showFilePickerChanged)
    Q_PROPERTY(bool isDropTargeted READ isDropTargeted WRITE setIsDropTargeted NOTIFY isDropTargetedChanged)
    Q_PROPERTY(QList<QUrl> selectedVideoURLs READ selectedVideoURLs WRITE setSelectedVideoURLs NOTIFY selectedVideoURLsChanged)
    Q_PROPERTY(bool canStartProcessing READ canStartProcessing NOTIFY canStartProcessingChanged)
    Q_PROPERTY(QString startBlockedReason READ startBlockedReason NOTIFY canStartProcessingChanged)

public:
    struct Options {
        // Where jobs go while no output folder is chosen; empty means the
        // user's Downloads folder.
        QUrl downloadsFolder;
        // The song choice's random source; empty means the system's secure one.
        SongChooser::RandomBelow random;
    };

    DashboardViewModel(SettingsService& settingsService, JobService& jobService,
                       ThermalService& thermalService, ToastManager& toastManager,
                       Options options = {}, QObject* parent = nullptr);

    // Lower-case extensions of the files that may become jobs.
    static const QStringList& acceptedMediaExtensions();

    bool showSettings() const { return m_showSettings; }
    void setShowSettings(bool v);
    bool showFilePicker() const { return m_showFilePicker; }
    void setShowFilePicker(bool v);
    bool isDropTargeted() const { return m_isDropTargeted; }
    void setIsDropTargeted(bool v);
    QList<QUrl> selectedVideoURLs() const { return m_selectedVideoURLs; }
    void setSelectedVideoURLs(const QList<QUrl>& urls);

    // A selection, a song library and an idle queue.
    bool canStartProcessing() const;
    // What the user has to do before a batch can start; empty when it can.
    QString startBlockedReason() const;

    // Every way in (drop, picker, command line, a second launch): keeps the
    // local files of an accepted type that are not selected yet.
    void addFiles(const QList<QUrl>& urls);
    void startProcessing();
    void clearSelection() { setSelectedVideoURLs({}); }

    QUrl outputFolder() const;

signals:
    void showSettingsChanged();
    void showFilePickerChanged();
    void isDropTargetedChanged();
    void selectedVideoURLsChanged();
    void canStartProcessingChanged();

private:
    void updateCanStartProcessing();

    SettingsService& m_settingsService;
    JobService& m_jobService;
    ThermalService& m_thermalService;
    ToastManager& m_toastManager;
    Options m_options;

    bool m_showSettings = false;
    bool m_showFilePicker = false;
    bool m_isDropTargeted = false;
    QList<QUrl> m_selectedVideoURLs;
    QString m_lastBlockedReason;
};
