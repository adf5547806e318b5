#include "media/common/InputFile.h"

#include "media/common/MediaError.h"

#include <QFile>
#include <QFileInfo>

namespace lc::media {

InputFormatPtr openInputFile(const QString& path, bool readStreamInfo)
{
    const QString name = QFileInfo(path).fileName();
    AVFormatContext* raw = nullptr;
    checkAv(avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr),
            "avformat_open_input", name);
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
