#include "viewmodels/DashboardViewModel.h"

#include "services/JobService.h"
#include "services/SettingsService.h"
#include "services/ToastManager.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

constexpr double confirmationSeconds = 3.0;

} // namespace

DashboardViewModel::DashboardViewModel(SettingsService& settingsService, JobService& jobService,
                                       ThermalService& thermalService, ToastManager& toastManager,
                                       Options options, QObject* parent)
    : QObject(parent)
    , m_settingsService(settingsService)
    , m_jobService(jobService)
    , m_thermalService(thermalService)
    , m_toastManager(toastManager)
    , m_options(std::move(options))
{
    // The start button follows all three inputs of canStartProcessing.
    connect(this, &DashboardViewModel::selectedVideoURLsChanged, this, &DashboardViewModel::updateCanStartProcessing);
    connect(&m_settingsService, &SettingsService::availableSongsChanged, this,
            &DashboardViewModel::updateCanStartProcessing);
    connect(&m_jobService, &JobService::isProcessingChanged, this, &DashboardViewModel::updateCanStartProcessing);
    m_lastBlockedReason = startBlockedReason();
}

const QStringList& DashboardViewModel::acceptedMediaExtensions()
{
    static const QStringList extensions {"mp4", "mov", "m4v", "jpg", "jpeg", "png", "heic"};
    return extensions;
}

void DashboardViewModel::setShowSettings(bool v)
{
    if (m_showSettings == v)
        return;
    m_showSettings = v;
    emit showSettingsChanged();
}

void DashboardViewModel::setShowFilePicker(bool v)
{
    if (m_showFilePicker == v)
        return;
    m_showFilePicker = v;
    emit showFilePickerChanged();
}

void DashboardViewModel::setIsDropTargeted(bool v)
{
    if (m_isDropTargeted == v)
        return;
    m_isDropTargeted = v;
    emit isDropTargetedChanged();
}

void DashboardViewModel::setSelectedVideoURLs(const QList<QUrl>& urls)
{
    if (m_selectedVideoURLs == urls)
        return;
    m_selectedVideoURLs = urls;
    emit selectedVideoURLsChanged();
}

bool DashboardViewModel::canStartProcessing() const
{
    return startBlockedReason().isEmpty();
}

QString DashboardViewModel::startBlockedReason() const
{
    // In the order the user sets a batch up.
    if (m_settingsService.availableSongs().isEmpty())
        return tr("Choose a playlist folder with songs first");
    if (m_selectedVideoURLs.isEmpty())
        return tr("Drop or choose a video or image first");
    if (m_jobService.isProcessing())
        return tr("Wait for the queue to finish");
    return {};
}

void DashboardViewModel::updateCanStartProcessing()
{
    // The reason may change while starting stays impossible.
    const QString now = startBlockedReason();
    if (now == m_lastBlockedReason)
        return;
    m_lastBlockedReason = now;
    emit canStartProcessingChanged();
}

// Whatever the way in, a file of another type would only become a job that
// fails; a drop can carry web links too, and only files on this machine can
// become jobs.
void DashboardViewModel::addFiles(const QList<QUrl>& urls)
{
    QList<QUrl> selection = m_selectedVideoURLs;
    qsizetype added = 0;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile() || !acceptedMediaExtensions().contains(QFileInfo(url.path()).suffix().toLower()))
            continue;
        const QString path = url.path();
        const bool known = std::any_of(selection.cbegin(), selection.cend(),
                                       [&path](const QUrl& s) { return s.path() == path; });
        if (known)
            continue;
        selection.append(url);
        ++added;
    }
    if (added == 0)
        return;
    setSelectedVideoURLs(selection);
    m_toastManager.show(added == 1 ? tr("Added 1 file") : tr("Added %n files", nullptr, added),
                        ToastType::success, confirmationSeconds);
}

QUrl DashboardViewModel::outputFolder() const
{
    if (const auto chosen = m_settingsService.outputFolderURL())
        return *chosen;
    if (!m_options.downloadsFolder.isEmpty())
        return m_options.downloadsFolder;
    return QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
}

void DashboardViewModel::startProcessing()
{
    if (!canStartProcessing())
        return;
    const QUrl folder = outputFolder();
    const QList<QUrl> files = m_selectedVideoURLs;
    const QList<QList<QUrl>> songLists = SongChooser::chooseSongLists(
        m_settingsService.availableSongs(), m_settingsService.songCount(), int(files.size()), m_options.random);
    for (qsizetype i = 0; i < files.size(); ++i)
        m_jobService.addJob(files[i], songLists[i], folder);

    const qsizetype count = files.size();
    m_toastManager.show(count == 1 ? tr("Started 1 job") : tr("Started %n jobs", nullptr, int(count)), ToastType::info,
                        confirmationSeconds);
    setSelectedVideoURLs({});
}
