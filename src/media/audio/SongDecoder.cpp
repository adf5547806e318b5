#include "media/audio/SongDecoder.h"

#include "media/audio/SongMeasure.h"
#include "media/common/InputFile.h"
#include "media/common/MediaError.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
}

namespace lc::media {

namespace {
constexpr int kCancelCheckPackets = 256;

bool isMovFamily(const AVFormatContext* fmt)
{
    return fmt->iformat && std::strstr(fmt->iformat->name, "mov") != nullptr;
}
}

SongDecoder::SongDecoder(const QString& path, const CancelToken* cancel)
    : m_path(path)
    , m_fileName(QFileInfo(path).fileName())
    , m_cancel(cancel)
{
    m_format = openInputFile(path, true, cancel);
    AVFormatContext* raw = m_format.get();
    if (const AVStream* audio = keepFirstStream(raw, AVMEDIA_TYPE_AUDIO))
        m_streamIndex = audio->index;
    if (m_streamIndex < 0)
        return;

    AVStream* st = raw->streams[m_streamIndex];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec)
        throwAvError("avcodec_find_decoder", AVERROR_DECODER_NOT_FOUND, m_fileName);
    m_decoder.reset(avcodec_alloc_context3(codec));
    if (!m_decoder)
        throwAvError("avcodec_alloc_context3", AVERROR(ENOMEM), m_fileName);
    checkAv(avcodec_parameters_to_context(m_decoder.get(), st->codecpar), "avcodec_parameters_to_context", m_fileName);
    // Needed for the decoder to apply the container's start/end trimming.
    m_decoder->pkt_timebase = st->time_base;
    checkAv(avcodec_open2(m_decoder.get(), codec, nullptr), "avcodec_open2", m_fileName);

    // The AAC decoder keeps the end padding of the last frame; the MP4 track
    // duration (edit list applied) is exact, so it bounds the song.
    if (isMovFamily(raw) && st->duration > 0 && st->duration != AV_NOPTS_VALUE)
        m_cap = av_rescale_q_rnd(st->duration, st->time_base, AVRational {1, kMixSampleRate},
                                 AVRounding(AV_ROUND_NEAR_INF));

    m_frame = makeFrame();
    m_packet = makePacket();
}

QString SongDecoder::tag(const char* key) const
{
    const AVDictionaryEntry* entry = av_dict_get(m_format->metadata, key, nullptr, 0);
    if ((!entry || !*entry->value) && hasAudio())
        entry = av_dict_get(m_format->streams[m_streamIndex]->metadata, key, nullptr, 0);
    return entry ? QString::fromUtf8(entry->value) : QString();
}

SongDecoder::~SongDecoder()
{
    av_channel_layout_uninit(&m_swrLayout);
}

void SongDecoder::openResampler(const AVFrame* frame)
{
    AVChannelLayout inLayout {};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
    else
        checkAv(av_channel_layout_copy(&inLayout, &frame->ch_layout), "av_channel_layout_copy", m_fileName);

    if (m_swr) {
        // The stream changed format mid-way: keep what the old resampler holds.
        convert(nullptr, 0);
        m_swr.reset();
    }
    av_channel_layout_uninit(&m_swrLayout);

    SwrContext* swr = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    int ret = swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLTP, kMixSampleRate, &inLayout,
                                  AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
    m_swr.reset(swr);
    if (ret < 0) {
        av_channel_layout_uninit(&inLayout);
        throwAvError("swr_alloc_set_opts2", ret, m_fileName);
    }
    if (inLayout.nb_channels == 1) {
        // A mono song plays at full level on both sides, not at -3 dB.
        const double matrix[2] = {1.0, 1.0};
        checkAv(swr_set_matrix(swr, matrix, 1), "swr_set_matrix", m_fileName);
    } else {
        // Float output leaves the downmix unscaled: a 5.1 or 7.1 song at full
        // level on every channel would sum to several times full scale.
        // Scaling each side's coefficients to at most 1 keeps a downmixed song
        // no louder than its loudest channel.
        checkAv(av_opt_set_double(swr, "rematrix_maxval", 1.0, 0), "av_opt_set_double", m_fileName);
    }
    av_channel_layout_uninit(&inLayout);
    // Remember the layout as the decoder reports it, to notice a change.
    checkAv(av_channel_layout_copy(&m_swrLayout, &frame->ch_layout), "av_channel_layout_copy", m_fileName);
    m_swrRate = frame->sample_rate;
    m_swrIn = m_swrOut = 0;
    m_swrFormat = frame->format;
    checkAv(swr_init(swr), "swr_init", m_fileName);
}

void SongDecoder::convert(const uint8_t** in, int inCount)
{
    const int room = swr_get_out_samples(m_swr.get(), inCount);
    if (room <= 0)
        return;
    const size_t needed = size_t(m_bufEnd + room);
    if (m_left.size() < needed) {
        m_left.resize(needed);
        m_right.resize(needed);
    }
    uint8_t* out[2] = {reinterpret_cast<uint8_t*>(m_left.data() + m_bufEnd),
                       reinterpret_cast<uint8_t*>(m_right.data() + m_bufEnd)};
    int64_t got = checkAv(swr_convert(m_swr.get(), out, room, in, inCount), "swr_convert", m_fileName);
    m_swrIn += inCount;
    if (!in && m_swrRate != kMixSampleRate) {
        // The flush returns the filter's tail beyond the input's length;
        // a song of n samples at rate r lasts n * 44100 / r samples here.
        const int64_t exact = av_rescale_rnd(m_swrIn, kMixSampleRate, m_swrRate, AVRounding(AV_ROUND_NEAR_INF));
        got = std::clamp<int64_t>(exact - m_swrOut, 0, got);
    }
    m_swrOut += got;
    m_bufEnd += got;
}

bool SongDecoder::fillBuffer()
{
    m_bufPos = m_bufEnd = 0;
    AVCodecContext* dec = m_decoder.get();
    while (m_bufEnd == 0) {
        if (m_decoderDone)
            return false;
        int ret = avcodec_receive_frame(dec, m_frame.get());
        if (ret >= 0) {
            const AVFrame* f = m_frame.get();
            if (!m_swr || f->sample_rate != m_swrRate || f->format != m_swrFormat
                || av_channel_layout_compare(&f->ch_layout, &m_swrLayout) != 0)
                openResampler(f);
            convert(const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
            av_frame_unref(m_frame.get());
            continue;
        }
        if (ret == AVERROR_EOF) {
            m_decoderDone = true;
            if (m_swr)
                convert(nullptr, 0);
            continue;
        }
        if (ret != AVERROR(EAGAIN))
            throwAvError("avcodec_receive_frame", ret, m_fileName);

        ret = av_read_frame(m_format.get(), m_packet.get());
        if (ret == AVERROR_EOF) {
            m_demuxDone = true;
            checkAv(avcodec_send_packet(dec, nullptr), "avcodec_send_packet", m_fileName);
            continue;
        }
        checkAv(ret, "av_read_frame", m_fileName);
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet.get());
            continue;
        }
        if (++m_packetsRead % kCancelCheckPackets == 0)
            throwIfCancelled(m_cancel);
        ret = avcodec_send_packet(dec, m_packet.get());
        av_packet_unref(m_packet.get());
        // A damaged frame is dropped the way players drop it; measuring and
        // mixing read the same file the same way, so lengths still agree.
        if (ret == AVERROR_INVALIDDATA)
            continue;
        checkAv(ret, "avcodec_send_packet", m_fileName);
    }
    return true;
}

int64_t SongDecoder::allowedFrames(int64_t count) const
{
    return m_cap < 0 ? count : std::min(count, m_cap - m_delivered);
}

int64_t SongDecoder::read(float* left, float* right, int64_t count)
{
    if (!hasAudio())
        return 0;
    int64_t done = 0;
    while (done < count) {
        const int64_t want = allowedFrames(count - done);
        if (want <= 0)
            break;
        if (bufferedFrames() == 0 && !fillBuffer())
            break;
        const int64_t n = std::min(want, bufferedFrames());
        if (left) {
            std::memcpy(left + done, m_left.data() + m_bufPos, size_t(n) * sizeof(float));
            std::memcpy(right + done, m_right.data() + m_bufPos, size_t(n) * sizeof(float));
        }
        m_bufPos += n;
        m_delivered += n;
        done += n;
    }
    return done;
}

int64_t SongDecoder::skip(int64_t count)
{
    return read(nullptr, nullptr, count);
}

int64_t SongDecoder::countRemaining()
{
    return skip(std::numeric_limits<int64_t>::max() / 2);
}

} // namespace lc::media
