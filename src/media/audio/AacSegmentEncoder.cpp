#include "media/audio/AacSegmentEncoder.h"

#include "media/audio/SongMeasure.h"
#include "media/common/MediaError.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace lc::media {

namespace {
constexpr int64_t kBitRate = 192000;

void receivePackets(AVCodecContext* enc, std::vector<PacketPtr>& out)
{
    for (;;) {
        PacketPtr pkt = makePacket();
        const int ret = avcodec_receive_packet(enc, pkt.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return;
        checkAv(ret, "avcodec_receive_packet", QStringLiteral("aac"));
        out.push_back(std::move(pkt));
    }
}
}

CodecContextPtr openMixAacEncoder()
{
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec)
        throwAvError("avcodec_find_encoder_by_name", AVERROR_ENCODER_NOT_FOUND, QStringLiteral("aac"));
    CodecContextPtr enc(avcodec_alloc_context3(codec));
    if (!enc)
        throwAvError("avcodec_alloc_context3", AVERROR(ENOMEM), QStringLiteral("aac"));
    enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    enc->sample_rate = kMixSampleRate;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    checkAv(av_channel_layout_copy(&enc->ch_layout, &stereo), "av_channel_layout_copy");
    enc->bit_rate = kBitRate;
    enc->profile = FF_PROFILE_AAC_LOW;
    enc->time_base = AVRational {1, kMixSampleRate};
    // The MP4 sample entry carries the AudioSpecificConfig.
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // No noise substitution: a decoder fills a substituted band with noise of
    // its own for each channel (FFmpeg's always, others unless the band is
    // also mid/side coded, which this encoder seldom signals there), so on
    // mono material every such band decodes as stereo hiss. Whether the
    // encoder substitutes depends on its rate control's state: encoders
    // started at different points widen a mono mix in different places, and a
    // segment's encoder, warm-up or not, could leave it wider than one encoder
    // running through. At 192 kbit/s the bands are coded as they are instead,
    // at the same bitrate, a lower error and much the same speed.
    checkAv(av_opt_set_int(enc->priv_data, "aac_pns", 0, 0), "av_opt_set_int", QStringLiteral("aac_pns"));
    checkAv(avcodec_open2(enc.get(), codec, nullptr), "avcodec_open2", QStringLiteral("aac"));
    return enc;
}

std::vector<PacketPtr> encodeAacSegment(const PcmReader& read, int64_t firstSample, bool finish,
                                        const std::function<bool()>& stopped)
{
    CodecContextPtr enc = openMixAacEncoder();
    FramePtr frame = makeFrame();
    std::vector<PacketPtr> out;

    for (int64_t pos = firstSample;; pos += kAacFrameSize) {
        if (stopped())
            return out;
        frame->nb_samples = kAacFrameSize;
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = kMixSampleRate;
        checkAv(av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout), "av_channel_layout_copy");
        checkAv(av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
        const int64_t n = read(reinterpret_cast<float*>(frame->data[0]), reinterpret_cast<float*>(frame->data[1]),
                               kAacFrameSize);
        if (n <= 0) {
            av_frame_unref(frame.get());
            break;
        }
        frame->nb_samples = int(n);
        frame->pts = pos;
        checkAv(avcodec_send_frame(enc.get(), frame.get()), "avcodec_send_frame", QStringLiteral("aac"));
        av_frame_unref(frame.get());
        receivePackets(enc.get(), out);
        if (n < kAacFrameSize)
            break;
    }
    // Drained in any case, so the encoder closes without frames queued; the
    // packets past a segment's tail are not wanted.
    const size_t kept = out.size();
    checkAv(avcodec_send_frame(enc.get(), nullptr), "avcodec_send_frame", QStringLiteral("aac"));
    receivePackets(enc.get(), out);
    if (!finish)
        out.resize(kept);
    return out;
}

std::vector<PacketPtr> encodeAacSegment(const float* left, const float* right, int64_t count,
                                        int64_t firstSample, bool finish,
                                        const std::function<bool()>& stopped)
{
    int64_t pos = 0;
    const PcmReader read = [&](float* l, float* r, int64_t max) {
        const int64_t n = std::min(max, count - pos);
        std::memcpy(l, left + pos, size_t(n) * sizeof(float));
        std::memcpy(r, right + pos, size_t(n) * sizeof(float));
        pos += n;
        return n;
    };
    return encodeAacSegment(read, firstSample, finish, stopped);
}

} // namespace lc::media
