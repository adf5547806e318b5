#pragma once
// The mix's AAC encoder settings (native encoder, AAC-LC, stereo, 44.1 kHz,
// 192 kbit/s) and the encoding of one run of PCM on the global frame grid.

#include "media/common/FfmpegPtr.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace lc::media {

inline constexpr int kAacFrameSize = 1024;

// Opens a fresh encoder; throws MediaError.
CodecContextPtr openMixAacEncoder();

// Writes up to `max` frames of a run's next PCM into the two channels and
// returns how many; fewer than asked (or 0) ends the run.
using PcmReader = std::function<int64_t(float* left, float* right, int64_t max)>;

// Encodes the PCM `read` gives, which belongs at mix sample `firstSample` (a
// multiple of kAacFrameSize), with a fresh encoder. Packet pts are mix
// samples minus the encoder's priming, so the packets of encoders started at
// different points line up. With `finish` the packets the encoder still holds
// at the end are kept (the last PCM frame may then be short); otherwise they
// are dropped. Returns early (incomplete) once `stopped` is true.
std::vector<PacketPtr> encodeAacSegment(const PcmReader& read, int64_t firstSample, bool finish,
                                        const std::function<bool()>& stopped);
// The same over PCM already in memory.
std::vector<PacketPtr> encodeAacSegment(const float* left, const float* right, int64_t count,
                                        int64_t firstSample, bool finish,
                                        const std::function<bool()>& stopped);

} // namespace lc::media
