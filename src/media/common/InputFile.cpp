#include "media/common/InputFile.h"

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
        throw MediaError(QStringLiteral("%1: not a regular file").arg(name));
}

} // namespace

InputFormatPtr openInputFile(const QString& path, bool readStreamInfo)
{
    const QString name = QFileInfo(path).fileName();
    const QByteArray localPath = QFile::encodeName(path);
    requireRegularFile(localPath, name);
    AVFormatContext* raw = nullptr;
    // FFmpeg takes the name as a URL: a stored path such as "concat:a|b" or
    // "http://..." must not fetch anything, here or from inside a playlist.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened = avformat_open_input(&raw, localPath.constData(), nullptr, &options);
    av_dict_free(&options);
    checkAv(opened, "avformat_open_input", name);
    InputFormatPtr fmt(raw);
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
