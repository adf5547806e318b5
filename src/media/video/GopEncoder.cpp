#include "media/video/GopEncoder.h"

#include "media/common/MediaError.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace lc::media {

namespace {

FramePtr toYuv709(const RgbImage& image, QSize size)
{
    SwsPtr sws(sws_getContext(image.width, image.height, AV_PIX_FMT_RGB24, size.width(), size.height(),
                              AV_PIX_FMT_YUV420P, SWS_LANCZOS | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!sws)
        throw MediaError(QStringLiteral("sws_getContext: cannot scale %1x%2 to %3x%4")
                             .arg(image.width).arg(image.height).arg(size.width()).arg(size.height()));
    // swscale would use BT.601 otherwise.
    checkAv(sws_setColorspaceDetails(sws.get(), sws_getCoefficients(SWS_CS_DEFAULT), 0,
                                     sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16),
            "sws_setColorspaceDetails");

    FramePtr frame = makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = size.width();
    frame->height = size.height();
    checkAv(av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
    const uint8_t* src[4] = {image.pixels.data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {image.stride(), 0, 0, 0};
    checkAv(sws_scale(sws.get(), src, srcStride, 0, image.height, frame->data, frame->linesize), "sws_scale");
    frame->color_primaries = AVCOL_PRI_BT709;
    frame->color_trc = AVCOL_TRC_BT709;
    frame->colorspace = AVCOL_SPC_BT709;
    frame->color_range = AVCOL_RANGE_MPEG;
    return frame;
}

CodecContextPtr openEncoder(QSize size)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        throw MediaError(QStringLiteral("avcodec_find_encoder_by_name(libx264): encoder not available"));
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        throw MediaError(QStringLiteral("avcodec_alloc_context3: out of memory"));
    ctx->width = size.width();
    ctx->height = size.height();
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = {1, kStillFrameRate};
    ctx->framerate = {kStillFrameRate, 1};
    ctx->sample_aspect_ratio = {1, 1};
    ctx->gop_size = kStillGopFrames;
    ctx->keyint_min = kStillGopFrames;
    ctx->max_b_frames = 0;
    ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER; // SPS/PPS in avcC, as mp4 wants
    ctx->color_primaries = AVCOL_PRI_BT709;
    ctx->color_trc = AVCOL_TRC_BT709;
    ctx->colorspace = AVCOL_SPC_BT709;
    ctx->color_range = AVCOL_RANGE_MPEG;

    AVDictionary* opts = nullptr;
    // The GOP is encoded once per video, so a slower preset costs little.
    av_dict_set(&opts, "preset", "medium", 0);
    av_dict_set(&opts, "tune", "stillimage", 0);
    av_dict_set(&opts, "crf", "18", 0);
    // The P-frames of a still picture should be plain skips: with the key
    // frame's quantizer well below theirs (ipratio) they code no residual, so
    // every frame shows the key frame's picture and encoding them is cheap.
    // Without look-ahead and mb-tree the ratio holds as set (and a 12 MP GOP
    // encodes about twice as fast).
    av_dict_set(&opts, "x264-params", "scenecut=0:open-gop=0:rc-lookahead=0:mbtree=0:ipratio=4", 0);
    const int ret = avcodec_open2(ctx.get(), codec, &opts);
    av_dict_free(&opts);
    checkAv(ret, "avcodec_open2", QStringLiteral("libx264"));
    return ctx;
}

void receivePackets(AVCodecContext* ctx, std::vector<PacketPtr>& packets)
{
    for (;;) {
        PacketPtr pkt = makePacket();
        const int ret = avcodec_receive_packet(ctx, pkt.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return;
        checkAv(ret, "avcodec_receive_packet", QStringLiteral("libx264"));
        packets.push_back(std::move(pkt));
    }
}

} // namespace

EncodedGop encodeStillGop(const RgbImage& image, QSize size, int frames, const CancelToken* cancel)
{
    FramePtr picture = toYuv709(image, size);
    CodecContextPtr ctx = openEncoder(size);

    EncodedGop gop;
    for (int i = 0; i < frames; ++i) {
        if (i % kStillFrameRate == 0)
            throwIfCancelled(cancel);
        picture->pts = i;
        // The encoder takes its own reference; the picture is never written
        // again, so every frame is the same image.
        checkAv(avcodec_send_frame(ctx.get(), picture.get()), "avcodec_send_frame", QStringLiteral("libx264"));
        receivePackets(ctx.get(), gop.packets);
    }
    checkAv(avcodec_send_frame(ctx.get(), nullptr), "avcodec_send_frame", QStringLiteral("libx264"));
    receivePackets(ctx.get(), gop.packets);

    if (int(gop.packets.size()) != frames || !(gop.packets.front()->flags & AV_PKT_FLAG_KEY))
        throw MediaError(QStringLiteral("libx264: expected %1 frames opening with a key frame, got %2")
                             .arg(frames).arg(gop.packets.size()));
    for (size_t i = 1; i < gop.packets.size(); ++i) {
        if (gop.packets[i]->flags & AV_PKT_FLAG_KEY)
            throw MediaError(QStringLiteral("libx264: unexpected key frame inside the GOP"));
    }

    gop.params.reset(avcodec_parameters_alloc());
    if (!gop.params)
        throw MediaError(QStringLiteral("avcodec_parameters_alloc: out of memory"));
    checkAv(avcodec_parameters_from_context(gop.params.get(), ctx.get()), "avcodec_parameters_from_context");
    return gop;
}

} // namespace lc::media
