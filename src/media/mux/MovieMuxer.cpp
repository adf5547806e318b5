#include "media/mux/MovieMuxer.h"

#include "media/common/MediaError.h"

#include <QFile>
#include <QFileInfo>

namespace lc::media {

MovieMuxer::MovieMuxer(const QString& outputPath, const CancelToken* cancel)
    : m_outputPath(outputPath)
    , m_name(QFileInfo(outputPath).fileName())
{
    const QByteArray path = QFile::encodeName(m_outputPath);
    AVFormatContext* raw = nullptr;
    checkAv(avformat_alloc_output_context2(&raw, nullptr, "mp4", path.constData()), "avformat_alloc_output_context2",
            m_name);
    m_ctx.reset(raw);
    m_ctx->interrupt_callback = interruptCallback(cancel);
    checkAv(avio_open2(&m_ctx->pb, path.constData(), AVIO_FLAG_WRITE, &m_ctx->interrupt_callback, nullptr),
            "avio_open2", m_name);
}

MovieMuxer::~MovieMuxer()
{
    if (m_finished)
        return;
    m_ctx.reset(); // closes the file before it is removed
    QFile::remove(m_outputPath);
}

AVStream* MovieMuxer::addStream()
{
    AVStream* st = avformat_new_stream(m_ctx.get(), nullptr);
    if (!st)
        throw MediaError(QStringLiteral("avformat_new_stream: out of memory"));
    return st;
}

void MovieMuxer::addChapter(int64_t start, int64_t end, AVRational timeBase, const QString& title)
{
    // libavformat has no public call to add a chapter; the array and its
    // entries are owned by the context and freed with it.
    AVFormatContext* s = m_ctx.get();
    auto* chapters = static_cast<AVChapter**>(
        av_realloc_array(s->chapters, s->nb_chapters + 1, sizeof(AVChapter*)));
    if (!chapters)
        throwAvError("av_realloc_array", AVERROR(ENOMEM), QStringLiteral("chapters"));
    s->chapters = chapters;
    auto* ch = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (!ch)
        throwAvError("av_mallocz", AVERROR(ENOMEM), QStringLiteral("chapter"));
    ch->id = s->nb_chapters;
    ch->time_base = timeBase;
    ch->start = start;
    ch->end = end;
    s->chapters[s->nb_chapters++] = ch;
    checkAv(av_dict_set(&ch->metadata, "title", title.toUtf8().constData(), 0), "av_dict_set",
            QStringLiteral("chapter title"));
}

void MovieMuxer::writeHeader()
{
    // Edit lists are written in the movie timescale, which defaults to
    // milliseconds: the audio track would end up to a millisecond early. The
    // mix is always 44.1 kHz, so its samples are exact in this timescale.
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "movie_timescale", "44100", 0);
    const int ret = avformat_write_header(m_ctx.get(), &opts);
    av_dict_free(&opts);
    checkAv(ret, "avformat_write_header", m_name);
}

void MovieMuxer::writePacket(AVPacket* pkt, int streamIndex, AVRational srcTimeBase)
{
    if (streamIndex < 0 || unsigned(streamIndex) >= m_ctx->nb_streams)
        throw MediaError(QStringLiteral("writePacket: no stream %1").arg(streamIndex));
    pkt->stream_index = streamIndex;
    av_packet_rescale_ts(pkt, srcTimeBase, m_ctx->streams[streamIndex]->time_base);
    pkt->pos = -1;
    // Takes the packet's reference (the packet is left blank).
    checkAv(av_interleaved_write_frame(m_ctx.get(), pkt), "av_interleaved_write_frame",
            m_name);
}

void MovieMuxer::finish()
{
    checkAv(av_write_trailer(m_ctx.get()), "av_write_trailer", m_name);
    checkAv(avio_closep(&m_ctx->pb), "avio_closep", m_name);
    m_finished = true;
}

} // namespace lc::media
