#pragma once
// Writes an MP4 to exactly the path it is given (the caller picks a staging
// name and moves the finished file into place). Destroyed before finish(),
// it removes the file, so a failed or cancelled run leaves no partial movie.

#include "media/common/CancelToken.h"
#include "media/common/FfmpegPtr.h"

#include <QString>

namespace lc::media {

class MovieMuxer {
public:
    // Throws MediaError; writes end with CancelledError once `cancel` is raised.
    explicit MovieMuxer(const QString& outputPath, const CancelToken* cancel = nullptr);
    ~MovieMuxer();

    AVStream* addStream();           // video first, then audio
    // A chapter from `start` to `end` (in `timeBase`), so players can jump
    // to it. Before writeHeader(). The muxer writes both chapter forms
    // players read: a chapter list ('chpl') and a disabled QuickTime text
    // track that only carries the chapter names.
    void addChapter(int64_t start, int64_t end, AVRational timeBase, const QString& title);
    void writeHeader();
    // Timestamps in srcTimeBase; rescaled to the stream's time base.
    void writePacket(AVPacket* pkt, int streamIndex, AVRational srcTimeBase);
    void finish();                   // trailer and close: the file is complete

    AVFormatContext* context() const { return m_ctx.get(); }

private:
    QString m_outputPath;
    QString m_name; // for error texts
    OutputFormatPtr m_ctx;
    bool m_finished = false;
};

} // namespace lc::media
