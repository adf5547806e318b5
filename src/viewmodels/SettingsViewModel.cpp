#include "viewmodels/SettingsViewModel.h"

#include "services/SettingsService.h"

#include <QFileInfo>

namespace {

QString folderName(const QUrl& folder)
{
    return QFileInfo(folder.path().endsWith(QLatin1Char('/')) && folder.path().size() > 1
                         ? folder.path().chopped(1)
                         : folder.path())
        .fileName();
}

} // namespace

SettingsViewModel::SettingsViewModel(SettingsService& settingsService, QObject* parent)
    : QObject(parent)
    , m_settings(settingsService)
{
    // The service notifies only on real changes, so forwarding keeps that.
    for (auto signal : {&SettingsService::playlistFolderURLChanged, &SettingsService::outputFolderURLChanged,
                        &SettingsService::availableSongsChanged, &SettingsService::crossfadeDurationChanged,
                        &SettingsService::songCountChanged})
        connect(&m_settings, signal, this, &SettingsViewModel::changed);
}

bool SettingsViewModel::hasPlaylistFolder() const
{
    return m_settings.playlistFolderURL().has_value();
}

QString SettingsViewModel::playlistSubtitle() const
{
    const auto folder = m_settings.playlistFolderURL();
    if (!folder)
        return tr("Not Selected");
    return tr("%1 · %n musics", nullptr, availableSongCount()).arg(folderName(*folder));
}

bool SettingsViewModel::hasOutputFolder() const
{
    return m_settings.outputFolderURL().has_value();
}

QString SettingsViewModel::outputSubtitle() const
{
    const auto folder = m_settings.outputFolderURL();
    return folder ? folderName(*folder) : tr("Downloads (Default)");
}

int SettingsViewModel::songCount() const
{
    return m_settings.songCount();
}

int SettingsViewModel::availableSongCount() const
{
    return int(m_settings.availableSongs().size());
}

bool SettingsViewModel::canDecreaseSongCount() const
{
    return songCount() >= 2;
}

// A stored count above the library size stays until lowered; it is never
// raised further.
bool SettingsViewModel::canIncreaseSongCount() const
{
    return songCount() < availableSongCount();
}

void SettingsViewModel::decreaseSongCount()
{
    if (canDecreaseSongCount())
        m_settings.setSongCount(songCount() - 1);
}

void SettingsViewModel::increaseSongCount()
{
    if (canIncreaseSongCount())
        m_settings.setSongCount(songCount() + 1);
}

double SettingsViewModel::crossfadeDuration() const
{
    return m_settings.crossfadeDuration();
}

QString SettingsViewModel::crossfadeText() const
{
    return QString::number(crossfadeDuration(), 'f', 1) + QLatin1Char('s');
}

void SettingsViewModel::setCrossfadeDuration(double seconds)
{
    m_settings.setCrossfadeDuration(seconds);
}

void SettingsViewModel::choosePlaylistFolder(const QUrl& folder)
{
    m_settings.choosePlaylistFolder(folder);
}

void SettingsViewModel::clearPlaylistFolder()
{
    m_settings.clearPlaylistFolder();
}

void SettingsViewModel::chooseOutputFolder(const QUrl& folder)
{
    m_settings.chooseOutputFolder(folder);
}

void SettingsViewModel::clearOutputFolder()
{
    m_settings.clearOutputFolder();
}
