#include "services/SettingsService.h"

#include "models/Crossfade.h"
#include "platform/ConsoleLine.h"
#include "services/ServicesLog.h"
#include "services/FileService.h"
#include "services/SongLibraryScanner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const QString kCrossfadeKey = QStringLiteral("crossfadeDuration");
const QString kSongCountKey = QStringLiteral("songCount");
const QString kPlaylistKey = QStringLiteral("playlistFolderBookmark");
const QString kOutputKey = QStringLiteral("outputFolderBookmark");
const QString kMatchLoudnessKey = QStringLiteral("matchLoudness");
const QString kLoudnessTargetKey = QStringLiteral("loudnessTarget");
const QString kTruePeakCeilingKey = QStringLiteral("truePeakCeiling");
const QString kTitlesFromTagsKey = QStringLiteral("titlesFromTags");

// QSettings gives back "true"/"false" text from the file, a bool from memory.
bool storedFlag(const QVariant& stored)
{
    const QString text = stored.toString().trimmed().toLower();
    return text == QLatin1String("true") || text == QLatin1String("1");
}

double storedNumber(const QVariant& stored, double fallback, bool (*valid)(double))
{
    bool isNumber = false;
    const double value = stored.toString().trimmed().toDouble(&isNumber);
    return isNumber && valid(value) ? value : fallback;
}

constexpr int kDefaultSongCount = 15;

} // namespace

SettingsService::SettingsService(FileService& fileService, std::unique_ptr<QSettings> settings,
                                 QObject* parent)
    : QObject(parent)
    , m_fileService(fileService)
    , m_settings(settings ? std::move(settings)
                          : std::make_unique<QSettings>(QStringLiteral("loopcaster"),
                                                        QStringLiteral("loopcaster")))
{
    m_scanPool.setMaxThreadCount(1);
    restoreBookmarks();
}

// The scan thread is told to stop and is joined by the pool: it stops at its
// next folder, so this is one directory read at most.
SettingsService::~SettingsService()
{
    supersedeScan();
}

void SettingsService::setPlaylistFolderURL(const std::optional<QUrl>& url)
{
    if (m_playlistFolderURL == url)
        return;
    m_playlistFolderURL = url;
    emit playlistFolderURLChanged();
}

void SettingsService::setOutputFolderURL(const std::optional<QUrl>& url)
{
    if (m_outputFolderURL == url)
        return;
    m_outputFolderURL = url;
    emit outputFolderURLChanged();
}

void SettingsService::setAvailableSongs(const QList<QUrl>& songs)
{
    if (m_availableSongs == songs)
        return;
    m_availableSongs = songs;
    emit availableSongsChanged();
}

// Both numbers are read from the store on every access (another instance or a
// restart may have changed them). A stored 0 songs means "never set"; a stored
// 0-second crossfade is the user's choice of songs back to back.
// The preferences file is the user's to edit: a NaN would put every song at
// 00:00, a huge value would ask the mixer for gigabytes of ramp.
double SettingsService::crossfadeDuration() const
{
    bool isNumber = false;
    const double stored = m_settings->value(kCrossfadeKey).toDouble(&isNumber);
    if (!isNumber || std::isnan(stored))
        return crossfade::defaultSeconds;
    return std::clamp(stored, crossfade::minSeconds, crossfade::maxSeconds);
}

void SettingsService::setCrossfadeDuration(double seconds)
{
    const double before = crossfadeDuration();
    m_settings->setValue(kCrossfadeKey, seconds);
    m_settings->sync();
    if (crossfadeDuration() != before)
        emit crossfadeDurationChanged();
}

int SettingsService::songCount() const
{
    const qlonglong stored = m_settings->value(kSongCountKey).toLongLong();
    return stored == 0 ? kDefaultSongCount : int(std::clamp<qlonglong>(stored, 1, maxSongCount));
}

void SettingsService::setSongCount(int count)
{
    const int before = songCount();
    m_settings->setValue(kSongCountKey, count);
    m_settings->sync();
    if (songCount() != before)
        emit songCountChanged();
}

bool SettingsService::matchLoudness() const
{
    return storedFlag(m_settings->value(kMatchLoudnessKey));
}

void SettingsService::setMatchLoudness(bool on)
{
    storeMixOption(kMatchLoudnessKey, on);
}

double SettingsService::loudnessTarget() const
{
    return storedNumber(m_settings->value(kLoudnessTargetKey), loudness::defaultTarget, loudness::isValidTarget);
}

void SettingsService::setLoudnessTarget(double lufs)
{
    storeMixOption(kLoudnessTargetKey, lufs);
}

double SettingsService::truePeakCeiling() const
{
    return storedNumber(m_settings->value(kTruePeakCeilingKey), loudness::defaultCeiling, loudness::isValidCeiling);
}

void SettingsService::setTruePeakCeiling(double dbtp)
{
    storeMixOption(kTruePeakCeilingKey, dbtp);
}

bool SettingsService::titlesFromTags() const
{
    return storedFlag(m_settings->value(kTitlesFromTagsKey));
}

void SettingsService::setTitlesFromTags(bool on)
{
    storeMixOption(kTitlesFromTagsKey, on);
}

MixOptions SettingsService::mixOptions() const
{
    MixOptions options;
    if (matchLoudness())
        options.loudnessTarget = loudnessTarget();
    options.truePeakCeiling = truePeakCeiling();
    options.titlesFromTags = titlesFromTags();
    return options;
}

// The target and ceiling count even while matching is off: they are what
// the next job takes once it is turned on.
void SettingsService::storeMixOption(const QString& key, const QVariant& value)
{
    const MixOptions before = mixOptions();
    const double target = loudnessTarget();
    m_settings->setValue(key, value);
    m_settings->sync();
    if (mixOptions() != before || loudnessTarget() != target)
        emit mixOptionsChanged();
}

const QSet<QString>& SettingsService::supportedAudioExtensions()
{
    static const QSet<QString> extensions {
        QStringLiteral("mp3"), QStringLiteral("wav"), QStringLiteral("m4a"), QStringLiteral("flac"),
        QStringLiteral("aiff"), QStringLiteral("aac"), QStringLiteral("ogg"), QStringLiteral("wma"),
    };
    return extensions;
}

// A playlist folder may hold tens of thousands of files or sit on a slow
// network mount: the window must not wait for it.
void SettingsService::loadAvailableSongs()
{
    supersedeScan();
    if (!m_playlistFolderURL) {
        setAvailableSongs({});
        return;
    }
    const quint64 generation = m_scanGeneration;
    const QUrl folder = *m_playlistFolderURL;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_scanStop = stop;
    m_scanPool.start([this, generation, folder, stop] {
        const QList<QUrl> songs = SongLibraryScanner::scan(folder.toLocalFile(), supportedAudioExtensions(), stop.get());
        if (!stop->load())
            QMetaObject::invokeMethod(this, [this, generation, songs] { applyScan(generation, songs); },
                                      Qt::QueuedConnection);
    });
}

void SettingsService::supersedeScan()
{
    ++m_scanGeneration;
    if (m_scanStop)
        m_scanStop->store(true);
    m_scanStop.reset();
}

void SettingsService::applyScan(quint64 generation, const QList<QUrl>& songs)
{
    if (generation != m_scanGeneration)
        return;
    m_scanStop.reset();
    setAvailableSongs(songs);
}

void SettingsService::saveBookmark(const QUrl& url, const QString& key)
{
    const Result<QByteArray> data = m_fileService.createBookmark(url);
    if (!data) {
        // The earlier bookmark under the key stays: a folder that worked last
        // time is better than none.
        printConsoleLine(lcServices(),
                         QStringLiteral("Failed to save bookmark for ") + key + QStringLiteral(": ") + data.error());
        return;
    }
    m_settings->setValue(key, *data);
    m_settings->sync();
}

void SettingsService::choosePlaylistFolder(const QUrl& url)
{
    setPlaylistFolderURL(url);
    saveBookmark(url, kPlaylistKey);
    loadAvailableSongs();
}

void SettingsService::clearPlaylistFolder()
{
    supersedeScan();
    setPlaylistFolderURL(std::nullopt);
    setAvailableSongs({});
    m_settings->remove(kPlaylistKey);
    m_settings->sync();
}

void SettingsService::chooseOutputFolder(const QUrl& url)
{
    setOutputFolderURL(url);
    saveBookmark(url, kOutputKey);
}

void SettingsService::clearOutputFolder()
{
    setOutputFolderURL(std::nullopt);
    m_settings->remove(kOutputKey);
    m_settings->sync();
}

// A bookmark that no longer resolves stays stored: the folder may be on a
// drive that is simply not mounted right now, and is tried again next start.
// A stale one is not rewritten either.
void SettingsService::restoreBookmarks()
{
    if (m_settings->contains(kPlaylistKey)) {
        if (const auto url = m_fileService.resolveBookmark(m_settings->value(kPlaylistKey).toByteArray())) {
            setPlaylistFolderURL(*url);
            loadAvailableSongs();
        }
    }
    if (m_settings->contains(kOutputKey)) {
        if (const auto url = m_fileService.resolveBookmark(m_settings->value(kOutputKey).toByteArray()))
            setOutputFolderURL(*url);
    }
}
