#pragma once
// Streams a MixPlan into AAC-LC packets (stereo, 44.1 kHz, 192 kbit/s):
// decodes the songs again as they come due, sums them with their gain ramps,
// and encodes. Memory stays bounded whatever the mix length.

#include "media/audio/MixPlan.h"
#include "media/common/CancelToken.h"
#include "media/common/FfmpegPtr.h"

#include <memory>
#include <vector>

namespace lc::media {

class MixedAudioEncoder {
public:
    // How the mix is cut for encoding on several threads. Each segment is
    // encoded by a fresh encoder that starts `warmupFrames` AAC frames early
    // and runs `tailFrames` past its end; neighbouring segments are spliced
    // at a frame where both encoders chose the same window, so the seam
    // decodes as if one encoder had made the whole stream.
    //
    // The warm-up is chosen by measurement: with 16 or 128 frames a fresh
    // encoder's error on loud tonal material stays several dB off one
    // encoder's for seconds after the seam (and mono turns partly stereo);
    // with 256 frames (6 s) it is back within a fraction of a dB. Segments
    // of 4096 frames (95 s) keep that extra work near 6 %.
    struct Options {
        int segmentFrames = 0;    // AAC frames per segment; 0: 4096, fewer for short mixes
        int warmupFrames = 256;
        int tailFrames = 6;
        int threads = 2;
        int segmentsAhead = 3;    // encoded segments held at most (bounds memory)
    };

    // Throws MediaError if the encoder cannot be set up.
    MixedAudioEncoder(const MixPlan& plan, const CancelToken* cancel);
    MixedAudioEncoder(const MixPlan& plan, const CancelToken* cancel, const Options& options);
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

    // First AAC frame of every segment (the first is 0), and the seams
    // between segments spliced so far.
    std::vector<int64_t> segmentStarts() const;
    int seamCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace lc::media
