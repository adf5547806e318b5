#include "media/common/FfmpegPtr.h"

#include "media/common/MediaError.h"

namespace lc::media {

void AvioDeleter::operator()(AVIOContext* io) const
{
    if (!io)
        return;
    delete static_cast<AvioSource*>(io->opaque);
    av_freep(&io->buffer); // may have been replaced by a larger one
    avio_context_free(&io);
}

void InputFormatDeleter::operator()(AVFormatContext* ctx) const
{
    // avformat_close_input() leaves a custom context to its owner.
    const AvioPtr io(ctx && (ctx->flags & AVFMT_FLAG_CUSTOM_IO) ? ctx->pb : nullptr);
    avformat_close_input(&ctx);
}

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
