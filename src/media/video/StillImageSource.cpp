#include "media/video/StillImageSource.h"

#include "media/common/MediaError.h"
#include "media/video/FrameSize.h"
#include "media/video/GopEncoder.h"
#include "media/video/ImageDecoder.h"

#include <QFileInfo>

#include <algorithm>

namespace lc::media {

namespace {

// Fine enough that the last frame can end on the mix's last sample, and a
// whole number of ticks per frame.
constexpr AVRational kStillTimeBase {1, 90000};
constexpr int64_t kTicksPerFrame = 90000 / kStillFrameRate;
constexpr int64_t kPacketsBetweenCancelChecks = 300;

class StillImageSource final : public VideoPacketSource {
public:
    StillImageSource(const QString& path, MediaTime total, const CancelToken* cancel)
        : m_cancel(cancel)
    {
        if (total.value <= 0 || total.timescale <= 0)
            throw CompositionError(QStringLiteral("Nothing to render: the mix has no length"));
        // Frames at k/30 s for every k with k/30 < total.
        m_frames = (int64_t(kStillFrameRate) * total.value + total.timescale - 1) / total.timescale;
        m_end = av_rescale_rnd(total.value, kStillTimeBase.den, total.timescale, AV_ROUND_NEAR_INF);

        RgbImage image = decodeImage(path, cancel);
        throwIfCancelled(cancel);
        const QSize size = h264FrameSize(image.width, image.height);
        const int gopFrames = int(std::min<int64_t>(kStillGopFrames, m_frames));
        m_gop = encodeStillGop(image, size, gopFrames, cancel);
    }

    void configureStream(AVStream* out) const override
    {
        checkAv(avcodec_parameters_copy(out->codecpar, m_gop.params.get()), "avcodec_parameters_copy");
        out->codecpar->codec_tag = MKTAG('a', 'v', 'c', '1');
        out->time_base = kStillTimeBase;
        out->sample_aspect_ratio = {1, 1};
    }

    AVRational timeBase() const override { return kStillTimeBase; }

    bool nextPacket(AVPacket* out) override
    {
        if (m_next >= m_frames)
            return false;
        if (m_next % kPacketsBetweenCancelChecks == 0)
            throwIfCancelled(m_cancel);
        av_packet_unref(out);
        // Each copy of the GOP restarts at its IDR, which resets the decoder's
        // references, so the copies decode exactly like the first.
        const AVPacket* src = m_gop.packets[size_t(m_next % int64_t(m_gop.packets.size()))].get();
        checkAv(av_packet_ref(out, src), "av_packet_ref");
        out->pts = out->dts = m_next * kTicksPerFrame;
        out->duration = kTicksPerFrame;
        if (m_next == m_frames - 1)
            out->duration = std::max<int64_t>(1, m_end - out->pts);
        out->stream_index = 0;
        out->pos = -1;
        ++m_next;
        return true;
    }

private:
    const CancelToken* m_cancel;
    int64_t m_frames = 0;
    int64_t m_end = 0;
    int64_t m_next = 0;
    EncodedGop m_gop;
};

} // namespace

bool isStillImagePath(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    return ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || ext == QLatin1String("png")
        || ext == QLatin1String("heic");
}

std::unique_ptr<VideoPacketSource> openStillImage(const QString& path, MediaTime total,
                                                  const CancelToken* cancel)
{
    return std::make_unique<StillImageSource>(path, total, cancel);
}

} // namespace lc::media
