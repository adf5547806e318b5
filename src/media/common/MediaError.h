#pragma once
// Errors of the media engine. A MediaError names the failing call and carries
// FFmpeg's (or libheif's) own text, e.g.
//   "avformat_open_input(song.mp3): No such file or directory",
// for the log. What the user reads is plainCause(): the file and the cause in
// plain words, without call names.

#include "media/common/CancelToken.h"

#include <QString>
#include <stdexcept>

namespace lc::media {

class MediaError : public std::runtime_error {
public:
    explicit MediaError(const QString& message, int code = 0, const QString& subject = {});
    QString message() const { return m_message; }
    int code() const { return m_code; }          // the FFmpeg error code; 0 when none
    QString subject() const { return m_subject; } // the file (or codec) concerned, if any

private:
    QString m_message;
    int m_code = 0;
    QString m_subject;
};

// "<subject>: <cause>" (or the cause alone), e.g. "clip.mp4: the file is
// damaged or not in a format that can be read", "movie.mp4: No space left on
// device". A CompositionError's message is already plain and is returned as is.
QString plainCause(const MediaError& error);

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

// True for a failure of the machine rather than of the file (no file
// descriptors or memory left, an I/O error): the same file may read fine
// later, so it must not be taken for one that is not media.
bool isSystemError(int errnum);

// av_strerror text for an FFmpeg error code.
QString avErrorText(int errnum);

// Throws MediaError("<call>(<subject>): <av_strerror text>") carrying errnum
// and subject; subject may be empty. AVERROR_EXIT (a cancelled token's interrupt) throws CancelledError.
[[noreturn]] void throwAvError(const char* call, int errnum, const QString& subject = {});

// Returns ret when ret >= 0, otherwise throws as throwAvError.
int checkAv(int ret, const char* call, const QString& subject = {});

} // namespace lc::media
