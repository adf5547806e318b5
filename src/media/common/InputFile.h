#pragma once
// Opening a media file for reading, the same way for songs and clips.

#include "media/common/CancelToken.h"
#include "media/common/FfmpegPtr.h"

#include <QString>

namespace lc::media {

// Opens `path` (a local regular file, never a URL) and, when `readStreamInfo`,
// probes its streams. Throws MediaError naming the call and the file name,
// e.g. "open(song.mp3): No such file or directory". Reads end with
// CancelledError once `cancel` is raised, even while a read waits for data.
InputFormatPtr openInputFile(const QString& path, bool readStreamInfo = true, const CancelToken* cancel = nullptr);

// The first stream of `type` (a cover picture does not count as video); every
// other stream is discarded so the demuxer skips its packets. Nothing when
// the file has no such stream.
AVStream* keepFirstStream(AVFormatContext* fmt, AVMediaType type);

} // namespace lc::media
