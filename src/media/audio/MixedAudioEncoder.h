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
    // How the mix is cut for encoding on several threads. Each segment is
    // encoded by a fresh encoder that starts `warmupFrames` AAC frames early
    // and runs `tailFrames` past its end; neighbouring segments are spliced
    // at a frame where both encoders chose the same window, so the seam
    // decodes as if one encoder had made the whole stream.
    struct Options {
        int segmentFrames = 1024; // AAC frames per segment (about 24 s)
        int warmupFrames = 16;
        int tailFrames = 6;
        int threads = 2;
        int segmentsAhead = 3;    // encoded segments held at most (bounds memory)
    };

    // Throws MediaError if the encoder cannot be set up.
    MixedAudioEncoder(const MixPlan& plan, const std::atomic<bool>* cancel);
    MixedAudioEncoder(const MixPlan& plan, const std::atomic<bool>* cancel, const Options& options);
    ~MixedAudioEncoder();
    MixedAudioEncoder(const MixedAudioEncoder&) = delete;
    MixedAudioEncoder& operator=(const MixedAudioEncoder&) = delete;

    // Encoder parameters for the output stream (with AAC extradata and
    // initial_padding set).
    const AVCodecParameters* codecParameters() const;
    AVRational timeBase() const; // {1, 44100}

    // The next packet in decode order, pts/dts in timeBase() (the first pts is
    // -initial_padding), duration set. Returns false after the last packet.
    // Throws MediaError on decode/encode failure, CancelledError when cancelled.
    bool nextPacket(AVPacket* out);

    // Seams between segments so far, and those where no frame with equal
    // windows was found in the overlap (spliced at the segment end anyway).
    int seamCount() const;
    int unmatchedSeamCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace lc::media
