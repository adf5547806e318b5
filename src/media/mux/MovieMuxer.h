#pragma once
// Writes the output MP4 to a temporary file beside the output path and
// renames it over the output only in commit(); destroyed without commit(), it
// removes the temporary file, so a failed or cancelled run leaves neither a
// partial movie nor a damaged previous one.

#include "media/common/FfmpegPtr.h"

#include <QString>

namespace lc::media {

class MovieMuxer {
public:
    explicit MovieMuxer(const QString& outputPath); // throws MediaError
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
    void commit();                   // trailer, close, atomic rename over the output

    QString temporaryPath() const { return m_tempPath; }
    AVFormatContext* context() const { return m_ctx.get(); }

private:
    QString m_outputPath;
    QString m_tempPath;
    OutputFormatPtr m_ctx;
    bool m_committed = false;
};

} // namespace lc::media
