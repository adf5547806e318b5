#include "media/common/InputFile.h"

#include "media/common/CancellableFile.h"
#include "media/common/MediaError.h"

#include <QFile>
#include <QFileInfo>

namespace lc::media {

InputFormatPtr openInputFile(const QString& path, bool readStreamInfo, const CancelToken* cancel)
{
    const QString name = QFileInfo(path).fileName();
    AvioPtr io = openCancellableIo(path, cancel);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        throwAvError("avformat_alloc_context", AVERROR(ENOMEM), name);
    raw->pb = io.get();
    raw->interrupt_callback = interruptCallback(cancel);
    // Frees the context on failure, but not the custom I/O: `io` still owns it.
    checkAv(avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr),
            "avformat_open_input", name);
    InputFormatPtr fmt(raw);
    io.release(); // freed with the context from now on
    if (readStreamInfo)
        checkAv(avformat_find_stream_info(raw, nullptr), "avformat_find_stream_info", name);
    return fmt;
}

AVStream* keepFirstStream(AVFormatContext* fmt, AVMediaType type)
{
    AVStream* kept = nullptr;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        AVStream* st = fmt->streams[i];
        const bool matches = st->codecpar->codec_type == type
            && !(type == AVMEDIA_TYPE_VIDEO && (st->disposition & AV_DISPOSITION_ATTACHED_PIC));
        if (matches && !kept)
            kept = st;
        else
            st->discard = AVDISCARD_ALL;
    }
    return kept;
}

} // namespace lc::media
