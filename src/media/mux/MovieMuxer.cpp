#include "media/mux/MovieMuxer.h"

#include "media/common/MediaError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lc::media {

namespace {

// A hidden name in the output's own folder, so the final rename never crosses
// a file system and is therefore atomic.
QString temporaryPathFor(const QString& outputPath)
{
    const QFileInfo info(outputPath);
    const QString suffix = QString::number(QRandomGenerator::global()->generate64(), 36);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') + suffix
        + QStringLiteral(".part");
}

} // namespace

MovieMuxer::MovieMuxer(const QString& outputPath)
    : m_outputPath(outputPath)
    , m_tempPath(temporaryPathFor(outputPath))
{
    const QByteArray temp = QFile::encodeName(m_tempPath);
    AVFormatContext* raw = nullptr;
    checkAv(avformat_alloc_output_context2(&raw, nullptr, "mp4", temp.constData()),
            "avformat_alloc_output_context2", QFileInfo(outputPath).fileName());
    m_ctx.reset(raw);
    checkAv(avio_open(&m_ctx->pb, temp.constData(), AVIO_FLAG_WRITE), "avio_open", m_tempPath);
}

MovieMuxer::~MovieMuxer()
{
    if (m_committed)
        return;
    m_ctx.reset(); // closes the temporary file before it is removed
    QFile::remove(m_tempPath);
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
    checkAv(ret, "avformat_write_header", QFileInfo(m_outputPath).fileName());
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
            QFileInfo(m_outputPath).fileName());
}

void MovieMuxer::commit()
{
    const QString name = QFileInfo(m_outputPath).fileName();
    checkAv(av_write_trailer(m_ctx.get()), "av_write_trailer", name);
    checkAv(avio_closep(&m_ctx->pb), "avio_closep", name);
    // rename(2) replaces an existing movie in one step: readers see either the
    // old file or the complete new one.
    if (std::rename(QFile::encodeName(m_tempPath).constData(), QFile::encodeName(m_outputPath).constData()) != 0) {
        const int err = errno;
        throw MediaError(QStringLiteral("rename(%1): %2").arg(name, QString::fromLocal8Bit(std::strerror(err))),
                         AVERROR(err), name);
    }
    m_committed = true;
}

} // namespace lc::media
