#pragma once
// A video stream for the output movie, as ready-to-mux packets.

#include "media/common/FfmpegPtr.h"

namespace lc::media {

class VideoPacketSource {
public:
    virtual ~VideoPacketSource() = default;
    // Sets codecpar (codec tag, colour, extradata), time_base and side data
    // (display matrix) of the output stream.
    virtual void configureStream(AVStream* out) const = 0;
    virtual AVRational timeBase() const = 0;
    // Next packet in decode order, timestamps in timeBase(), dts strictly
    // increasing; the stream ends at the total duration. False at the end.
    virtual bool nextPacket(AVPacket* out) = 0;
};

} // namespace lc::media
