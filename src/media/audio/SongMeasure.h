#pragma once
// Exact length of a song as the mix will play it: decoded gaplessly (encoder
// delay and padding removed), resampled to 44.1 kHz stereo, counted in samples.
// The same decode can also meter the song's loudness, so matching songs'
// levels costs no second read of the file.

#include "media/common/CancelToken.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace lc::media {

inline constexpr int kMixSampleRate = 44100;
inline constexpr int kMixChannels = 2;

// EBU R128 figures of the song as the mix hears it (after resampling).
struct SongLoudness {
    double integrated = 0; // LUFS, gated; -infinity for silence
    double truePeak = 0;   // dBTP; -infinity for silence
};

struct SongMeasurement {
    bool hasAudio = false;
    int64_t frames = 0; // samples per channel at kMixSampleRate
    std::optional<SongLoudness> loudness; // only when asked for
    // The container's (or first audio stream's) tags, as written; empty when absent.
    QString artist;
    QString title;
};

// Throws MediaError when the file cannot be opened or decoded, CancelledError
// when *cancel is raised during the decode.
SongMeasurement measureSong(const QString& path, const CancelToken* cancel = nullptr, bool meterLoudness = false);

} // namespace lc::media
