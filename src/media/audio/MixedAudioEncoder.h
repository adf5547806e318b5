#pragma once
// Streams a MixPlan into AAC-LC packets (stereo, 44.1 kHz, 192 kbit/s):
// decodes the songs again as they come due, sums them with their gain ramps,
// and encodes. Memory stays bounded whatever the mix length.

#include "media/audio/MixPlan.h"
#include "media/common/FfmpegPtr.h"

#include <atomic>
#include <memory>

namespace lc::media {

class MixedAudioEncoder {
public:
    // Throws MediaError if the encoder cannot be set up.
    MixedAudioEncoder(const MixPlan& plan, const std::atomic<bool>* cancel);
    ~MixedAudioEncoder();

    // Encoder parameters for the output stream (with AAC extradata and
    // initial_padding set).
    const AVCodecParameters* codecParameters() const;
    AVRational timeBase() const; // {1, 44100}

    // The next packet in decode order, pts/dts in timeBase() (the first pts is
    // -initial_padding), duration set. Returns false after the last packet.
    // Throws MediaError on decode/encode failure, CancelledError when cancelled.
    bool nextPacket(AVPacket* out);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace lc::media
