#pragma once
// Where every song of a mix lies: list positions, alternating tracks A/B (by position),
// start times by the cursor arithmetic (crossfade in timescale 600, song
// lengths in samples, exact rational sums), fade-in/fade-out ramps.
//
// Crossfades longer than the songs: two neighbouring songs overlap by the
// crossfade F, but never by more than half the shorter of the two. A fade
// without a neighbour (the first inserted song after skipped files, or the
// last one when later files were skipped) lasts at most half its own song.
// So every song starts after the one before it and ends after it, no time is
// negative, and the total is never shorter than the longest song (it is
// raised to that length when a closing fade-out would pull it below).

#include "media/audio/SongMeasure.h"
#include "media/common/MediaTime.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace lc::media {

struct MixEntry {
    int position = 0;         // 0-based list position (skipped files keep theirs)
    QString path;
    int64_t frames = 0;       // exact length at 44.1 kHz
    MediaTime start;          // insert cursor
    bool fadeIn = false;      // ramp 0 -> 1 over [start, start + fadeInLength); else full volume
    bool fadeOut = false;     // ramp 1 -> 0 over [end - fadeOutLength, end)
    MediaTime fadeInLength;   // F, or less for songs shorter than 2F
    MediaTime fadeOutLength;
    std::optional<SongLoudness> loudness; // as measured, when the mix matches loudness
    double gainDb = 0;        // constant over the song; 0 plays it as it is
    QString artist;           // the song's tags, for titles chosen above the engine
    QString title;
    MediaTime end() const { return start + MediaTime::fromSamples(frames, kMixSampleRate); }
};

// Loudness matching: every song gets one constant gain that brings its
// integrated loudness to `target` (LUFS), lowered where its true peak would
// pass `ceiling` (dBTP). Nothing compresses or limits; the songs keep their
// own dynamics.
struct LoudnessTarget {
    double target = -14.0;
    double ceiling = -1.0;
};

// min(target - I, ceiling - TP) in dB; 0 for a song too quiet to measure
// (below -70 LUFS, silence included), which keeps its level.
double loudnessGainDb(const SongLoudness& song, const LoudnessTarget& match);

// The linear factor of a gain in dB; exactly 1 for 0 dB.
double gainFactor(double gainDb);

// "Loudness <name>: -20.3 LUFS, -4.1 dBTP → gain +6.3 dB" for the log.
QString loudnessLine(const MixEntry& entry);

struct MixPlan {
    QList<MixEntry> entries;  // inserted songs only, in list order
    MediaTime crossfade;      // F, timescale 600
    MediaTime total;          // cursor after the last song
    int64_t totalFrames() const { return total.rescaled(kMixSampleRate); }
};

// Builds a plan song by song, in list order, so the caller can report
// progress and check for cancellation between songs.
class MixPlanBuilder {
public:
    // A crossfade that is not a finite number of seconds, or is negative,
    // counts as none; one beyond any song's length is cut down by the rule
    // above, so it never sizes anything.
    MixPlanBuilder(int songCount, double crossfadeSeconds, std::optional<LoudnessTarget> match = std::nullopt);
    // Adds the song at list position `position`. Returns the diagnostic line to
    // print: "⚠️ Skipping <name> — no audio track" for a song without audio,
    // otherwise "[RemuxWorker] #<i> <name> → <A|B> insert@<value>/<timescale>".
    QString add(int position, const QString& path, const SongMeasurement& m);
    // Skips the song at `position` (it keeps its place in the list) for a
    // reason such as "cannot be read"; returns the line to print.
    QString skip(const QString& path, const QString& reason);
    bool lastWasSkipped() const { return m_lastSkipped; }
    const MixPlan& plan() const { return m_plan; }

private:
    int m_count;
    std::optional<LoudnessTarget> m_match;
    MixPlan m_plan;
    MediaTime m_cursor;
    MediaTime m_longest;
    bool m_lastSkipped = false;
};

} // namespace lc::media
