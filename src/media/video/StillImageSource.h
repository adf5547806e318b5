#pragma once
// A still image held at 30 fps for `total`: the image is decoded once (EXIF
// orientation applied; HEIC through libheif), converted to BT.709 yuv420p,
// one closed GOP is encoded with libx264 and its packets repeated with shifted
// timestamps, the last copy cut so the stream ends at `total`.

#include "media/common/CancelToken.h"
#include "media/common/MediaTime.h"
#include "media/video/VideoPacketSource.h"

#include <QString>
#include <memory>

namespace lc::media {

// True for "jpg", "jpeg", "png", "heic" (case-insensitive extension).
bool isStillImagePath(const QString& path);

// Throws CompositionError("Failed to load image from <file name>") when the
// image cannot be decoded, CompositionError for images over the pixel limit,
// MediaError for encoder failures, CancelledError when cancelled.
std::unique_ptr<VideoPacketSource> openStillImage(const QString& path, MediaTime total,
                                                  const CancelToken* cancel);

} // namespace lc::media
