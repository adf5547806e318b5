#pragma once
// Writes a video packet source alone (no audio) into an MP4 with MovieMuxer,
// the way the export run does, and reads the result back with ffprobe.

#include "TestTools.h"

#include "media/mux/MovieMuxer.h"
#include "media/video/VideoPacketSource.h"

#include <QJsonArray>
#include <QJsonObject>

namespace videotest {

inline void muxAlone(lc::media::VideoPacketSource& source, const QString& outputPath)
{
    lc::media::MovieMuxer muxer(outputPath);
    source.configureStream(muxer.addStream());
    muxer.writeHeader();
    lc::media::PacketPtr pkt = lc::media::makePacket();
    while (source.nextPacket(pkt.get()))
        muxer.writePacket(pkt.get(), 0, source.timeBase());
    muxer.commit();
}

} // namespace videotest
