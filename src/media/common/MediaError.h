#pragma once
// Errors of the media engine. A MediaError names the failing call and carries
// FFmpeg's (or libheif's) own text, e.g.
//   "avformat_find_stream_info(song.mp3): Invalid data found when processing input".
// The remux run turns any MediaError into an "Export error: ..." for the user.

#include "media/common/CancelToken.h"

#include <QString>
#include <stdexcept>

namespace lc::media {

class MediaError : public std::runtime_error {
public:
    explicit MediaError(const QString& message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// A problem with the user's inputs that the run reports as a composition
// error (e.g. "Video file has no video track").
class CompositionError : public MediaError {
public:
    using MediaError::MediaError;
};

// Thrown at a cancellation point once the cancel flag is raised.
class CancelledError : public std::runtime_error {
public:
    CancelledError() : std::runtime_error("cancelled") {}
};

// Throws CancelledError when the token is cancelled (nullptr means never).
inline void throwIfCancelled(const CancelToken* cancel)
{
    if (cancel && cancel->isCancelled())
        throw CancelledError();
}

// av_strerror text for an FFmpeg error code.
QString avErrorText(int errnum);

// Throws MediaError("<call>(<subject>): <av_strerror text>"); subject may be
// empty. AVERROR_EXIT (a cancelled token's interrupt) throws CancelledError.
[[noreturn]] void throwAvError(const char* call, int errnum, const QString& subject = {});

// Returns ret when ret >= 0, otherwise throws as throwAvError.
int checkAv(int ret, const char* call, const QString& subject = {});

} // namespace lc::media
