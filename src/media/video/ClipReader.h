#pragma once
// Reads the packets of a clip's first video stream in decode order, without
// decoding: packets the container's edit list cuts away (flagged discard) and
// packets without any timestamp are skipped, a missing pts or dts is taken
// from the other, and a missing duration from the frame rate. The stream
// starts at its first key frame, so every copy decodes on its own. Other
// streams are not even read.

#include "media/common/CancelToken.h"
#include "media/common/FfmpegPtr.h"

#include <QString>

namespace lc::media {

class ClipReader {
public:
    // `probe` also runs the stream-info probe, for containers whose headers
    // leave codec parameters open. Throws CompositionError("Video file has no
    // video track") and MediaError for FFmpeg failures.
    ClipReader(const QString& path, bool probe, const CancelToken* cancel);

    AVStream* stream() const { return m_stream; }
    AVRational timeBase() const { return m_stream->time_base; }

    // False at the end of the stream.
    bool next(AVPacket* pkt);

private:
    QString m_name;
    InputFormatPtr m_ctx;
    AVStream* m_stream = nullptr;
    int64_t m_fallbackDuration = 1;
    int64_t m_startPts = AV_NOPTS_VALUE; // of the first key frame
};

} // namespace lc::media
