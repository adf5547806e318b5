#include "media/common/FfmpegPtr.h"

#include "media/common/MediaError.h"

namespace lc::media {

FramePtr makeFrame()
{
    FramePtr f(av_frame_alloc());
    if (!f)
        throw MediaError(QStringLiteral("av_frame_alloc: out of memory"));
    return f;
}

PacketPtr makePacket()
{
    PacketPtr p(av_packet_alloc());
    if (!p)
        throw MediaError(QStringLiteral("av_packet_alloc: out of memory"));
    return p;
}

} // namespace lc::media
