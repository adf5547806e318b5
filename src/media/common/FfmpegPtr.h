#pragma once
// RAII owners for FFmpeg objects. Every FFmpeg allocation in the engine lives
// in one of these so that error paths (exceptions) never leak.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace lc::media {

// What a custom AVIOContext reads from (its opaque pointer): owned by the
// context and deleted with it.
struct AvioSource {
    virtual ~AvioSource() = default;
};
struct AvioDeleter {
    void operator()(AVIOContext* io) const;
};
// Frees a custom AVIOContext along with the format context that reads it.
struct InputFormatDeleter {
    void operator()(AVFormatContext* ctx) const;
};
struct OutputFormatDeleter {
    // Closes the AVIO handle too (when the muxer does not own it itself).
    void operator()(AVFormatContext* ctx) const
    {
        if (!ctx)
            return;
        if (ctx->oformat && !(ctx->oformat->flags & AVFMT_NOFILE) && ctx->pb)
            avio_closep(&ctx->pb);
        avformat_free_context(ctx);
    }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct CodecParametersDeleter {
    void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};

using AvioPtr = std::unique_ptr<AVIOContext, AvioDeleter>;
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, CodecParametersDeleter>;

// Allocating helpers that throw MediaError on allocation failure.
FramePtr makeFrame();
PacketPtr makePacket();

} // namespace lc::media
