#include "media/audio/MixPlan.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace lc::media {

namespace {
// A bound far above any song; it only keeps the tick count in range, the
// per-song rule does the real limiting.
constexpr double kMaxCrossfadeSeconds = 1e9;

MediaTime halfOf(int64_t frames)
{
    return MediaTime::fromSamples(frames, 2 * kMixSampleRate);
}
}

double loudnessGainDb(const SongLoudness& song, const LoudnessTarget& match)
{
    // Below the absolute gate nothing is measured: a silent or near-silent
    // song would otherwise be raised by 80 dB or more.
    constexpr double kQuietestMeasured = -70.0;
    if (!(song.integrated >= kQuietestMeasured) || !std::isfinite(song.integrated))
        return 0;
    const double toTarget = match.target - song.integrated;
    return std::isfinite(song.truePeak) ? std::min(toTarget, match.ceiling - song.truePeak) : toTarget;
}

double gainFactor(double gainDb)
{
    return gainDb == 0 ? 1.0 : std::pow(10.0, gainDb / 20.0);
}

QString loudnessLine(const MixEntry& entry)
{
    const QString name = QFileInfo(entry.path).fileName();
    if (!entry.loudness)
        return QStringLiteral("Loudness ") + name + QStringLiteral(": not measured");
    return QStringLiteral("Loudness %1: %2 LUFS, %3 dBTP → gain %4%5 dB")
        .arg(name)
        .arg(entry.loudness->integrated, 0, 'f', 1)
        .arg(entry.loudness->truePeak, 0, 'f', 1)
        .arg(entry.gainDb > 0 ? QStringLiteral("+") : QString())
        .arg(entry.gainDb, 0, 'f', 1);
}

MixPlanBuilder::MixPlanBuilder(int songCount, double crossfadeSeconds, std::optional<LoudnessTarget> match)
    : m_count(songCount)
    , m_match(match)
{
    if (!(crossfadeSeconds > 0)) // also NaN
        crossfadeSeconds = 0;
    m_plan.crossfade = MediaTime::fromSeconds(std::min(crossfadeSeconds, kMaxCrossfadeSeconds));
    m_plan.total = MediaTime::zero();
    m_cursor = MediaTime::zero();
    m_longest = MediaTime::zero();
}

QString MixPlanBuilder::skip(const QString& path, const QString& reason)
{
    // A skipped file keeps its list position but takes no time in the mix.
    m_lastSkipped = true;
    return QStringLiteral("⚠️ Skipping ") + QFileInfo(path).fileName() + QStringLiteral(" — ") + reason;
}

QString MixPlanBuilder::add(int position, const QString& path, const SongMeasurement& m)
{
    if (!m.hasAudio || m.frames <= 0)
        return skip(path, QStringLiteral("no audio track"));
    m_lastSkipped = false;
    const MediaTime& F = m_plan.crossfade;

    MixEntry e;
    e.position = position;
    e.path = path;
    e.frames = m.frames;
    e.fadeIn = position != 0;
    e.fadeOut = position < m_count - 1;
    e.artist = m.artist;
    e.title = m.title;
    if (m_match && m.loudness) {
        e.loudness = m.loudness;
        e.gainDb = loudnessGainDb(*m.loudness, *m_match);
    }

    if (!m_plan.entries.isEmpty()) {
        // Every song before this one fades out (it is not at the last
        // position); the pair overlaps by F or half the shorter song.
        MixEntry& prev = m_plan.entries.last();
        const MediaTime overlap = std::min(F, halfOf(std::min(prev.frames, e.frames)));
        prev.fadeOutLength = overlap;
        m_cursor = prev.end() - overlap;
        e.fadeInLength = overlap;
    } else if (e.fadeIn) {
        e.fadeInLength = std::min(F, halfOf(e.frames));
    }
    e.start = m_cursor;
    if (e.fadeOut)
        e.fadeOutLength = std::min(F, halfOf(e.frames));

    const QString line = QStringLiteral("[RemuxWorker] #") + QString::number(position) + QLatin1Char(' ')
        + QFileInfo(path).fileName() + QStringLiteral(" → ")
        + QLatin1Char(position % 2 == 0 ? 'A' : 'B') + QStringLiteral(" insert@")
        + m_cursor.toString();

    m_longest = std::max(m_longest, MediaTime::fromSamples(e.frames, kMixSampleRate));
    m_plan.entries.append(e);
    // Provisional until a next song arrives: a closing fade-out pulls the end
    // back, but not below the longest song.
    m_plan.total = std::max(e.fadeOut ? e.end() - e.fadeOutLength : e.end(), m_longest);
    return line;
}

} // namespace lc::media
