#include "media/common/MediaError.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

extern "C" {
#include <libavutil/error.h>
}

namespace lc::media {

MediaError::MediaError(const QString& message, int code, const QString& subject)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_code(code)
    , m_subject(subject)
{
}

namespace {

// Codes FFmpeg passes on from the system are negated errno values; its own
// codes are negated four-letter tags, far above any errno.
constexpr int kLargestErrno = 4095;

QString causeOf(int code)
{
    // FFmpeg also says EINVAL when no demuxer recognises a file.
    if (code < 0 && code != AVERROR(EINVAL) && AVUNERROR(code) <= kLargestErrno)
        return QString::fromLocal8Bit(std::strerror(AVUNERROR(code)));
    switch (code) {
    case AVERROR(EINVAL):
    case AVERROR_INVALIDDATA:
    case AVERROR_EOF:
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_STREAM_NOT_FOUND:
    case AVERROR_PATCHWELCOME:
        return QStringLiteral("the file is damaged or not in a format that can be read");
    case AVERROR_ENCODER_NOT_FOUND:
    case AVERROR_MUXER_NOT_FOUND:
        return QStringLiteral("a needed encoder is not installed");
    default:
        return QStringLiteral("internal error in the media engine");
    }
}

} // namespace

QString plainCause(const MediaError& error)
{
    if (dynamic_cast<const CompositionError*>(&error))
        return error.message();
    const QString cause = causeOf(error.code());
    const QString subject = QFileInfo(error.subject()).fileName();
    return subject.isEmpty() ? cause : subject + QStringLiteral(": ") + cause;
}

bool isSystemError(int errnum)
{
    for (int e : {EMFILE, ENFILE, ENOMEM, ENOBUFS, EIO})
        if (errnum == AVERROR(e))
            return true;
    return false;
}

QString avErrorText(int errnum)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(errnum, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

void throwAvError(const char* call, int errnum, const QString& subject)
{
    // Only the cancel token's interrupt ends a call this way.
    if (errnum == AVERROR_EXIT)
        throw CancelledError();
    throw MediaError(QStringLiteral("%1(%2): %3").arg(QLatin1String(call), subject, avErrorText(errnum)), errnum,
                     subject);
}

int checkAv(int ret, const char* call, const QString& subject)
{
    if (ret < 0)
        throwAvError(call, ret, subject);
    return ret;
}

} // namespace lc::media
