#include "media/common/MediaError.h"

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

namespace lc::media {

MediaError::MediaError(const QString& message, int code)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_code(code)
{
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
    throw MediaError(QStringLiteral("%1(%2): %3")
                         .arg(QLatin1String(call), subject, avErrorText(errnum)),
                     errnum);
}

int checkAv(int ret, const char* call, const QString& subject)
{
    if (ret < 0)
        throwAvError(call, ret, subject);
    return ret;
}

} // namespace lc::media
