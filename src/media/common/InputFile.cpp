#include "media/common/InputFile.h"

#include "media/common/CancellableFile.h"
#include "media/common/MediaError.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace lc::media {

namespace {

// Opening a FIFO blocks until a writer comes and a device may never end, so
// only regular files are read (a symbolic link counts as its target).
void requireRegularFile(const QByteArray& localPath, const QString& name)
{
    struct stat st {};
    if (::stat(localPath.constData(), &st) != 0)
        throwAvError("stat", AVERROR(errno), name);
    if (!S_ISREG(st.st_mode))
        throw MediaError(QStringLiteral("%1: not a regular file").arg(name), AVERROR(EINVAL), name);
}

} // namespace

InputFormatPtr openInputFile(const QString& path, bool readStreamInfo, const CancelToken* cancel)
{
    const QString name = QFileInfo(path).fileName();
    requireRegularFile(QFile::encodeName(path), name);
    AvioPtr io = openCancellableIo(path, cancel);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        throwAvError("avformat_alloc_context", AVERROR(ENOMEM), name);
    raw->pb = io.get();
    raw->interrupt_callback = interruptCallback(cancel);
    // FFmpeg takes names inside a file (playlists, references) as URLs: a
    // song must never make it fetch anything.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // Frees the context on failure, but not the custom I/O: `io` still owns it.
    const int opened = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, &options);
    av_dict_free(&options);
    checkAv(opened, "avformat_open_input", name);
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
