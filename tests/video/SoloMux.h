#pragma once
// Writes a video packet source alone (no audio) into an MP4 with MovieMuxer,
// the way the export run does.

#include "media/mux/MovieMuxer.h"
#include "media/video/VideoPacketSource.h"

namespace videotest {

inline void muxAlone(lc::media::VideoPacketSource& source, const QString& outputPath)
{
    lc::media::MovieMuxer muxer(outputPath);
    source.configureStream(muxer.addStream());
    muxer.writeHeader();
    lc::media::PacketPtr pkt = lc::media::makePacket();
    while (source.nextPacket(pkt.get()))
        muxer.writePacket(pkt.get(), 0, source.timeBase());
    muxer.finish();
}

} // namespace videotest
