#pragma once
// Exact length of a song as the mix will play it: decoded gaplessly (encoder
// delay and padding removed), resampled to 44.1 kHz stereo, counted in samples.

#include "media/common/CancelToken.h"

#include <QString>
#include <cstdint>

namespace lc::media {

inline constexpr int kMixSampleRate = 44100;
inline constexpr int kMixChannels = 2;

struct SongMeasurement {
    bool hasAudio = false;
    int64_t frames = 0; // samples per channel at kMixSampleRate
};

// Throws MediaError when the file cannot be opened or decoded, CancelledError
// when *cancel is raised during the decode.
SongMeasurement measureSong(const QString& path, const CancelToken* cancel = nullptr);


} // namespace lc::media
