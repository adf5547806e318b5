#include "M4aWriter.h"

#include "media/audio/MixedAudioEncoder.h"
#include "media/common/MediaError.h"

using namespace lc::media;

QString writeM4a(MixedAudioEncoder& encoder, const QString& path)
{
    try {
        const QByteArray file = path.toUtf8();
        AVFormatContext* raw = nullptr;
        checkAv(avformat_alloc_output_context2(&raw, nullptr, nullptr, file.constData()), "avformat_alloc_output_context2");
        OutputFormatPtr out(raw);
        AVStream* st = avformat_new_stream(raw, nullptr);
        checkAv(avcodec_parameters_copy(st->codecpar, encoder.codecParameters()), "avcodec_parameters_copy");
        st->time_base = encoder.timeBase();
        checkAv(avio_open(&raw->pb, file.constData(), AVIO_FLAG_WRITE), "avio_open");
        // Edit lists are written in the movie timescale; 1/1000 would round
        // the track's end to the millisecond.
        AVDictionary* opts = nullptr;
        av_dict_set(&opts, "movie_timescale", "44100", 0);
        const int ret = avformat_write_header(raw, &opts);
        av_dict_free(&opts);
        checkAv(ret, "avformat_write_header");
        PacketPtr pkt = makePacket();
        while (encoder.nextPacket(pkt.get())) {
            pkt->stream_index = 0;
            av_packet_rescale_ts(pkt.get(), encoder.timeBase(), st->time_base);
            checkAv(av_interleaved_write_frame(raw, pkt.get()), "av_interleaved_write_frame");
        }
        checkAv(av_write_trailer(raw), "av_write_trailer");
        return {};
    } catch (const MediaError& e) {
        return e.message();
    }
}
