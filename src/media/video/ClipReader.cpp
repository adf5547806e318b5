#include "media/video/ClipReader.h"

#include "media/common/InputFile.h"
#include "media/common/MediaError.h"

#include <QFileInfo>

#include <algorithm>

namespace lc::media {

ClipReader::ClipReader(const QString& path, bool probe, const CancelToken* cancel)
    : m_name(QFileInfo(path).fileName())
{
    // Formats that create their streams while reading need the probe on
    // every open, or the stream would not exist yet.
    m_ctx = openInputFile(path, false, cancel);
    if (probe || (m_ctx->ctx_flags & AVFMTCTX_NOHEADER))
        checkAv(avformat_find_stream_info(m_ctx.get(), nullptr), "avformat_find_stream_info", m_name);
    m_stream = keepFirstStream(m_ctx.get(), AVMEDIA_TYPE_VIDEO);
    if (!m_stream)
        throw CompositionError(QStringLiteral("Video file has no video track"));

    AVRational rate = m_stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = m_stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        m_fallbackDuration = std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), m_stream->time_base));
}

bool ClipReader::next(AVPacket* pkt)
{
    for (;;) {
        av_packet_unref(pkt);
        const int ret = av_read_frame(m_ctx.get(), pkt);
        if (ret == AVERROR_EOF)
            return false;
        checkAv(ret, "av_read_frame", m_name);
        if (pkt->stream_index != m_stream->index || (pkt->flags & AV_PKT_FLAG_DISCARD))
            continue;
        if (pkt->pts == AV_NOPTS_VALUE && pkt->dts == AV_NOPTS_VALUE)
            continue;
        if (pkt->pts == AV_NOPTS_VALUE)
            pkt->pts = pkt->dts;
        if (pkt->dts == AV_NOPTS_VALUE)
            pkt->dts = pkt->pts;
        if (pkt->duration <= 0)
            pkt->duration = m_fallbackDuration;
        // An edit that starts inside a GOP leaves frames whose references
        // were cut away (flagged discard); they cannot be decoded in a copy,
        // so the clip starts at its first whole key frame, and pictures that
        // lead that key frame in presentation are dropped with them.
        if (m_startPts == AV_NOPTS_VALUE) {
            if (!(pkt->flags & AV_PKT_FLAG_KEY))
                continue;
            m_startPts = pkt->pts;
        } else if (pkt->pts < m_startPts) {
            continue;
        }
        return true;
    }
}

} // namespace lc::media
