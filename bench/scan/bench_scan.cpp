// Song library scan speed on a large playlist folder: 10,000 songs in nested
// folders, with hidden folders and non-audio files mixed in. Times the
// product's scanner against a straightforward QDirIterator + QCollator::compare
// scan run on the same tree in the same process. Then the same tree chosen as
// the playlist folder: how late a 1 ms timer on the main loop fires while the
// settings scan it (target: worst delay < 50 ms).

#include "MainLoopLateness.h"
#include "services/FileService.h"
#include "services/SettingsService.h"
#include "services/SongLibraryScanner.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFolders = 100;
constexpr int kSongsPerFolder = 100;
constexpr int kRuns = 7;
constexpr double kTargetSeconds = 0.5;
constexpr double kLatenessTargetMs = 50;

bool touch(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

bool buildTree(const QString& root)
{
    static const char* const exts[] = { "mp3", "FLAC", "wav", "m4a", "Ogg", "aac", "aiff", "wma" };
    for (int f = 0; f < kFolders; ++f) {
        // Every fifth artist keeps songs two levels down (Artist/Album/Disc).
        QString folder = QStringLiteral("%1/Artist %2").arg(root).arg(f, 3, 10, QLatin1Char('0'));
        if (f % 5 == 0)
            folder += QStringLiteral("/Album %1/Disc 1").arg(f);
        if (!QDir().mkpath(folder))
            return false;
        for (int s = 0; s < kSongsPerFolder; ++s) {
            const QString name = QStringLiteral("%1 Track %2 - Song %3.%4")
                                     .arg(s % 2 ? "the" : "The")
                                     .arg(s)
                                     .arg((f * 7919 + s * 104729) % 100000)
                                     .arg(exts[(f + s) % 8]);
            if (!touch(folder + QLatin1Char('/') + name))
                return false;
        }
        if (!touch(folder + "/cover.jpg") || !touch(folder + "/notes.txt") || !touch(folder + "/.DS_Store"))
            return false;
        if (f % 10 == 0) {
            const QString hidden = folder + "/.cache";
            if (!QDir().mkpath(hidden))
                return false;
            for (int s = 0; s < 20; ++s) {
                if (!touch(QStringLiteral("%1/hidden %2.mp3").arg(hidden).arg(s)))
                    return false;
            }
        }
    }
    return true;
}

QList<QUrl> straightforwardScan(const QString& root, const QSet<QString>& extensions)
{
    QList<QUrl> urls;
    QDirIterator it(root, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.filePath().contains(QLatin1String("/.")))
            continue;
        if (extensions.contains(info.suffix().toLower()))
            urls.append(QUrl::fromLocalFile(info.filePath()));
    }
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(urls.begin(), urls.end(), [&collator](const QUrl& a, const QUrl& b) {
        return collator.compare(a.fileName(), b.fileName()) < 0;
    });
    return urls;
}

template <typename Scan>
std::vector<double> timeRuns(Scan scan, qsizetype* count)
{
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QList<QUrl> songs = scan();
        seconds.push_back(timer.nsecsElapsed() / 1e9);
        *count = songs.size();
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    if (!tmp.isValid() || !buildTree(tmp.path())) {
        std::fprintf(stderr, "could not build the test tree\n");
        return 2;
    }
    const QString root = tmp.path();
    const QSet<QString>& extensions = SettingsService::supportedAudioExtensions();

    qsizetype ours = 0;
    qsizetype peer = 0;
    const auto oursTimes = timeRuns([&] { return SongLibraryScanner::scan(root, extensions); }, &ours);
    const auto peerTimes = timeRuns([&] { return straightforwardScan(root, extensions); }, &peer);

    const double best = oursTimes.front();
    const double median = oursTimes[oursTimes.size() / 2];
    const double peerMedian = peerTimes[peerTimes.size() / 2];
    std::printf("songs found: %lld (expected %d), peer found %lld\n", static_cast<long long>(ours),
                kFolders * kSongsPerFolder, static_cast<long long>(peer));
    std::printf("SongLibraryScanner::scan  best %.1f ms  median %.1f ms  (%d runs)\n", best * 1e3,
                median * 1e3, kRuns);
    std::printf("QDirIterator+compare peer best %.1f ms  median %.1f ms\n", peerTimes.front() * 1e3,
                peerMedian * 1e3);
    std::printf("median ratio scan/peer: %.2f\n", median / peerMedian);
    std::printf("target < %.0f ms: %s\n", kTargetSeconds * 1e3, median < kTargetSeconds ? "met" : "MISSED");

    FileService files;
    SettingsService settings(files,
                             std::make_unique<QSettings>(tmp.filePath("prefs.ini"), QSettings::IniFormat));
    QElapsedTimer chosen;
    chosen.start();
    settings.choosePlaylistFolder(QUrl::fromLocalFile(root));
    const MainLoopLateness lateness = sampleMainLoop([&] { return !settings.isScanningSongs(); }, 60000, 1);
    std::printf("playlist folder chosen: %lld songs after %lld ms; 1 ms timer worst delay %.1f ms, p99 %.1f ms "
                "(%d samples); target < %.0f ms: %s\n",
                static_cast<long long>(settings.availableSongs().size()), static_cast<long long>(chosen.elapsed()),
                lateness.maxMs, lateness.p99Ms, lateness.samples, kLatenessTargetMs,
                lateness.maxMs < kLatenessTargetMs ? "met" : "MISSED");
    return ours == kFolders * kSongsPerFolder && median < kTargetSeconds && lateness.maxMs < kLatenessTargetMs ? 0 : 1;
}
