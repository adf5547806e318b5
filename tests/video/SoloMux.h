#pragma once
// Writes a video packet source alone (no audio) into an MP4 with MovieMuxer,
// the way the export run does, for checking the stream with ffprobe.

#include "media/video/VideoPacketSource.h"

#include <QJsonObject>
#include <QString>

namespace videotest {

// Returns the number of packets written.
long long muxAlone(lc::media::VideoPacketSource& source, const QString& outputPath);

// ffprobe's view of the first stream, and its frame count after decoding.
QJsonObject firstStream(const QString& path);
int decodedFrameCount(const QString& path);

} // namespace videotest
