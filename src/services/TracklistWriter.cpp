#include "services/TracklistWriter.h"

#include "media/audio/SongMeasure.h"
#include "services/FileService.h"

#include <QFileInfo>
#include <QFuture>
#include <QPointer>
#include <QPromise>
#include <QSaveFile>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace TracklistWriter {

QString formatTimestamp(double seconds)
{
    // Truncation of a NaN or out-of-range value is undefined; such a time can
    // only come from a broken duration, so it is pinned to a printable range.
    if (!std::isfinite(seconds))
        seconds = 0;
    constexpr double limit = std::numeric_limits<int>::max();
    seconds = std::clamp(seconds, -limit, limit);

    const int s = static_cast<int>(std::trunc(seconds));
    // C++ division and remainder truncate toward zero, so a negative time
    // prints each field with its own minus sign ("-1:-5" for -65 s).
    if (s < 3600)
        return QString::asprintf("%02d:%02d", (s % 3600) / 60, s % 60);
    return QString::asprintf("%02d:%02d:%02d", s / 3600, (s % 3600) / 60, s % 60);
}

QUrl tracklistURL(const QUrl& outputURL)
{
    const QString path = outputURL.toLocalFile();
    const QFileInfo info(path);
    QString stem = path;
    if (!info.suffix().isEmpty())
        stem.chop(info.suffix().size() + 1);
    return QUrl::fromLocalFile(stem + QStringLiteral(".txt"));
}

QString tracklistText(const QList<QUrl>& songs, const QList<std::optional<double>>& durations,
                      double crossfade)
{
    QString text;
    double t = 0;
    const qsizetype n = songs.size();
    for (qsizetype i = 0; i < n; ++i) {
        const std::optional<double> d = i < durations.size() ? durations[i] : std::nullopt;
        // An indefinite duration would poison every later start time; it is
        // treated like an unreadable song (no line, start time unchanged).
        if (!d || !std::isfinite(*d))
            continue;
        text += formatTimestamp(t) + QStringLiteral(" - ")
            + QFileInfo(songs[i].toLocalFile()).completeBaseName() + QLatin1Char('\n');
        // The crossfade follows the song's place in the mix, not whether its
        // neighbour could be read.
        t += (i < n - 1) ? *d - crossfade : *d;
    }
    return text;
}

QString tracklistText(const lc::media::MixPlan& plan)
{
    QString text;
    for (const lc::media::MixEntry& e : plan.entries) {
        // Whole seconds from the start sample by integer division, so a song
        // starting one sample before a second boundary is not rounded up.
        const int64_t sample = e.start.rescaled(lc::media::kMixSampleRate);
        text += formatTimestamp(double(sample / lc::media::kMixSampleRate)) + QStringLiteral(" - ")
            + QFileInfo(e.path).completeBaseName() + QLatin1Char('\n');
    }
    return text;
}

void writeTracklist(const QList<QUrl>& songs, const QUrl& outputURL, double crossfade)
{
    QList<std::optional<double>> durations;
    durations.reserve(songs.size());
    for (const QUrl& song : songs) {
        ScopedAccess access(song);
        durations.append(lc::media::songDurationSeconds(song.toLocalFile()));
    }

    QSaveFile file(tracklistURL(outputURL).toLocalFile());
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(tracklistText(songs, durations, crossfade).toUtf8());
    file.commit(); // a failed write leaves any earlier tracklist untouched
}

void writeTracklistAsync(const QList<QUrl>& songs, const QUrl& outputURL, double crossfade,
                         QObject* context, std::function<void()> done)
{
    auto promise = std::make_shared<QPromise<void>>();
    // then(context, ...) delivers on the context's thread and drops the
    // continuation when the context is destroyed first.
    promise->future().then(context, [guard = QPointer<QObject>(context), done = std::move(done)] {
        if (guard && done)
            done();
    });
    promise->start();
    QThreadPool::globalInstance()->start([songs, outputURL, crossfade, promise] {
        writeTracklist(songs, outputURL, crossfade);
        promise->finish();
    });
}

} // namespace TracklistWriter
