#pragma once
// The first video stream of a clip, packet-copied end to end until `total`,
// each copy shifted by the clip's true period, the last copy cut at `total`.

#include "media/common/CancelToken.h"
#include "media/common/MediaTime.h"
#include "media/video/VideoPacketSource.h"

#include <QString>
#include <memory>

namespace lc::media {

// Throws CompositionError("Video file has no video track") and similar for
// unusable clips (zero length, no frames), MediaError for FFmpeg failures.
std::unique_ptr<VideoPacketSource> openVideoLoop(const QString& path, MediaTime total,
                                                 const CancelToken* cancel);

} // namespace lc::media
