#include "media/video/VideoLoopSource.h"

#include "media/common/MediaError.h"
#include "media/video/ClipReader.h"
#include "media/video/PrefixCutFinder.h"

#include <QByteArray>

#include <algorithm>

namespace lc::media {

namespace {

constexpr int kPacketsBetweenCancelChecks = 256;

// Timing of one pass over the clip, in the stream's time base.
struct ClipTiming {
    int64_t packets = 0;
    int64_t minPts = INT64_MAX;
    int64_t maxEnd = INT64_MIN;   // max(pts + duration)
    int64_t minDts = INT64_MAX;
    int64_t maxDts = INT64_MIN;
    int64_t lastDuration = 1;     // of the last packet in decode order
};

ClipTiming scanTiming(ClipReader& reader, const CancelToken* cancel)
{
    ClipTiming t;
    PacketPtr pkt = makePacket();
    while (reader.next(pkt.get())) {
        if (++t.packets % kPacketsBetweenCancelChecks == 0)
            throwIfCancelled(cancel);
        t.minPts = std::min(t.minPts, pkt->pts);
        t.maxEnd = std::max(t.maxEnd, pkt->pts + pkt->duration);
        t.minDts = std::min(t.minDts, pkt->dts);
        t.maxDts = std::max(t.maxDts, pkt->dts);
        t.lastDuration = pkt->duration;
    }
    return t;
}

class VideoLoopSource final : public VideoPacketSource {
public:
    VideoLoopSource(const QString& path, MediaTime total, const CancelToken* cancel)
        : m_path(path)
        , m_cancel(cancel)
    {
        ClipReader probe(path, true, cancel);
        const AVStream* in = probe.stream();
        m_timeBase = in->time_base;
        m_params.reset(avcodec_parameters_alloc());
        if (!m_params)
            throw MediaError(QStringLiteral("avcodec_parameters_alloc: out of memory"));
        checkAv(avcodec_parameters_copy(m_params.get(), in->codecpar), "avcodec_parameters_copy");
        m_sampleAspect = in->sample_aspect_ratio;
        size_t matrixSize = 0;
        if (const uint8_t* matrix = av_stream_get_side_data(in, AV_PKT_DATA_DISPLAYMATRIX, &matrixSize))
            m_displayMatrix = QByteArray(reinterpret_cast<const char*>(matrix), qsizetype(matrixSize));

        const ClipTiming t = scanTiming(probe, cancel);
        if (t.packets == 0)
            throw CompositionError(QStringLiteral("Video file has no video frames"));
        const int64_t period = t.maxEnd - t.minPts;
        if (period <= 0)
            throw CompositionError(QStringLiteral("Video file has zero duration"));

        // Each copy starts one period after the last; a clip whose decode
        // times spread wider than its presentation (odd reordering) is spaced
        // further so dts still rises across the seam.
        m_shift = period;
        if (t.minDts + m_shift <= t.maxDts)
            m_shift = t.maxDts - t.minDts + std::max<int64_t>(1, t.lastDuration);
        m_origin = t.minPts;

        m_end = av_rescale_rnd(total.value, m_timeBase.den, int64_t(total.timescale) * m_timeBase.num,
                               AV_ROUND_NEAR_INF);
        if (m_end <= 0)
            throw CompositionError(QStringLiteral("Nothing to render: the mix has no length"));
        m_copies = (m_end + m_shift - 1) / m_shift;
        m_lastCopyKeep = findLastCopyCut(m_end - (m_copies - 1) * m_shift);
        m_packet = makePacket();
    }

    void configureStream(AVStream* out) const override
    {
        checkAv(avcodec_parameters_copy(out->codecpar, m_params.get()), "avcodec_parameters_copy");
        // Players that refuse in-band parameter sets want hvc1; a copy from
        // MP4/MOV already carries them in the sample entry.
        switch (m_params->codec_id) {
        case AV_CODEC_ID_HEVC: out->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1'); break;
        case AV_CODEC_ID_H264: out->codecpar->codec_tag = MKTAG('a', 'v', 'c', '1'); break;
        default: out->codecpar->codec_tag = 0; break; // let the muxer choose for mp4
        }
        out->time_base = m_timeBase;
        out->sample_aspect_ratio = m_sampleAspect;
        if (!m_displayMatrix.isEmpty()) {
            uint8_t* dst = av_stream_new_side_data(out, AV_PKT_DATA_DISPLAYMATRIX, size_t(m_displayMatrix.size()));
            if (!dst)
                throw MediaError(QStringLiteral("av_stream_new_side_data: out of memory"));
            memcpy(dst, m_displayMatrix.constData(), size_t(m_displayMatrix.size()));
        }
    }

    AVRational timeBase() const override { return m_timeBase; }

    bool nextPacket(AVPacket* out) override
    {
        for (;;) {
            if (m_copy >= m_copies)
                return false;
            if (!m_reader) {
                throwIfCancelled(m_cancel);
                m_reader = std::make_unique<ClipReader>(m_path, false, m_cancel);
                m_inCopy = 0;
            }
            const bool last = m_copy == m_copies - 1;
            if ((last && m_inCopy >= m_lastCopyKeep) || !m_reader->next(m_packet.get())) {
                if (m_inCopy == 0)
                    throw CompositionError(QStringLiteral("Video file has no video frames"));
                m_reader.reset();
                ++m_copy;
                continue;
            }
            ++m_inCopy;
            if (++m_emitted % kPacketsBetweenCancelChecks == 0)
                throwIfCancelled(m_cancel);
            emitPacket(out, last, last && m_inCopy == m_lastCopyKeep);
            return true;
        }
    }

private:
    // Packets of the last copy to keep so it ends at `limit` (relative to the
    // copy's start) without a dangling reference.
    int64_t findLastCopyCut(int64_t limit) const
    {
        ClipReader reader(m_path, false, m_cancel);
        PrefixCutFinder finder(m_origin + limit);
        PacketPtr pkt = makePacket();
        int64_t n = 0;
        while (reader.next(pkt.get())) {
            if (++n % kPacketsBetweenCancelChecks == 0)
                throwIfCancelled(m_cancel);
            if (!finder.add(pkt->pts, pkt->dts))
                break;
        }
        // The first packet always starts a copy; keeping it costs at most a
        // frame past the end.
        return std::max<int64_t>(1, finder.keepCount());
    }

    void emitPacket(AVPacket* out, bool lastCopy, bool endsStream)
    {
        const int64_t offset = m_copy * m_shift - m_origin;
        m_packet->pts += offset;
        m_packet->dts += offset;
        // Damaged clips can repeat a dts; the muxer refuses that outright.
        if (m_lastDts != AV_NOPTS_VALUE && m_packet->dts <= m_lastDts)
            m_packet->dts = m_lastDts + 1;
        if (m_packet->pts < m_packet->dts)
            m_packet->pts = m_packet->dts;
        m_lastDts = m_packet->dts;
        // The mp4 track is presented until the latest pts + duration of its
        // packets: no frame of the last copy may reach past the end, and the
        // final packet reaches exactly to it.
        if (lastCopy)
            m_packet->duration = std::max<int64_t>(1, std::min(m_packet->duration, m_end - m_packet->pts));
        if (endsStream)
            m_packet->duration = std::max<int64_t>(1, m_end - m_packet->pts);
        m_packet->pos = -1;
        m_packet->stream_index = 0;
        av_packet_unref(out);
        av_packet_move_ref(out, m_packet.get());
    }

    QString m_path;
    const CancelToken* m_cancel;
    AVRational m_timeBase {1, 1};
    CodecParametersPtr m_params;
    AVRational m_sampleAspect {0, 1};
    QByteArray m_displayMatrix;

    int64_t m_shift = 0;
    int64_t m_origin = 0;
    int64_t m_end = 0;
    int64_t m_copies = 0;
    int64_t m_lastCopyKeep = 0;

    std::unique_ptr<ClipReader> m_reader;
    PacketPtr m_packet;
    int64_t m_copy = 0;
    int64_t m_inCopy = 0;
    int64_t m_emitted = 0;
    int64_t m_lastDts = AV_NOPTS_VALUE;
};

} // namespace

std::unique_ptr<VideoPacketSource> openVideoLoop(const QString& path, MediaTime total,
                                                 const CancelToken* cancel)
{
    return std::make_unique<VideoLoopSource>(path, total, cancel);
}

} // namespace lc::media
