#include "media/common/MediaError.h"

extern "C" {
#include <libavutil/error.h>
}

namespace lc::media {

MediaError::MediaError(const QString& message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
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
    throw MediaError(QStringLiteral("%1(%2): %3")
                         .arg(QLatin1String(call), subject, avErrorText(errnum)));
}

int checkAv(int ret, const char* call, const QString& subject)
{
    if (ret < 0)
        throwAvError(call, ret, subject);
    return ret;
}

} // namespace lc::media
