#include "media/audio/SongMeasure.h"

#include "media/audio/SongDecoder.h"
#include "media/common/FfmpegPtr.h"
#include "media/common/InputFile.h"
#include "media/common/MediaError.h"

#include <cstring>

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace lc::media {

SongMeasurement measureSong(const QString& path, const std::atomic<bool>* cancel)
{
    throwIfCancelled(cancel);
    SongDecoder decoder(path, cancel);
    SongMeasurement m;
    m.hasAudio = decoder.hasAudio();
    if (m.hasAudio)
        m.frames = decoder.countRemaining();
    return m;
}

namespace {

// Sums the packet durations of one stream. The start delay the demuxer
// announces (skip samples on the first packet) is not heard, so it is taken off.
std::optional<double> scanPacketDuration(AVFormatContext* fmt, int streamIndex)
{
    PacketPtr pkt(av_packet_alloc());
    if (!pkt)
        return std::nullopt;
    const AVStream* st = fmt->streams[streamIndex];
    int64_t ticks = 0;
    int64_t skippedSamples = 0;
    bool first = true;
    while (av_read_frame(fmt, pkt.get()) >= 0) {
        if (pkt->stream_index == streamIndex) {
            ticks += pkt->duration;
            size_t size = 0;
            const uint8_t* skip = av_packet_get_side_data(pkt.get(), AV_PKT_DATA_SKIP_SAMPLES, &size);
            if (skip && size >= 8)
                skippedSamples += (first ? AV_RL32(skip) : 0) + AV_RL32(skip + 4);
            first = false;
        }
        av_packet_unref(pkt.get());
    }
    if (first)
        return std::nullopt;
    const int rate = st->codecpar->sample_rate;
    double seconds = ticks * av_q2d(st->time_base);
    if (rate > 0)
        seconds -= double(skippedSamples) / rate;
    return seconds;
}

} // namespace

std::optional<double> songDurationSeconds(const QString& path)
{
    InputFormatPtr fmt;
    try {
        fmt = openInputFile(path);
    } catch (const MediaError&) {
        return std::nullopt; // unreadable songs are left out of the tracklist
    }
    AVFormatContext* raw = fmt.get();
    const AVStream* st = keepFirstStream(raw, AVMEDIA_TYPE_AUDIO);
    if (!st)
        return std::nullopt;

    // MP3 durations count whole frames, including the encoder delay and
    // padding that the decoder trims; only a scan sees the trim.
    const bool mp3 = std::strcmp(raw->iformat->name, "mp3") == 0;
    if (mp3 || raw->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE
        || (st->duration == AV_NOPTS_VALUE && raw->duration == AV_NOPTS_VALUE)) {
        return scanPacketDuration(raw, st->index);
    }
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return st->duration * av_q2d(st->time_base);
    return double(raw->duration) / AV_TIME_BASE;
}

} // namespace lc::media
