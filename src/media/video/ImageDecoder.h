#pragma once
// Decodes a still image (JPEG or PNG through FFmpeg's decoders, HEIC through
// libheif) into upright RGB: the EXIF orientation of JPEGs is applied here,
// libheif applies the HEIF transforms itself.

#include "media/common/CancelToken.h"
#include "media/video/RgbImage.h"

#include <QString>

namespace lc::media {

// Images with more pixels than this are refused before their pixels are
// decoded: a small file can claim a picture of many gigabytes.
constexpr long long kMaxImagePixels = 100'000'000;

// Throws CompositionError("Failed to load image from <file name>") when the
// file cannot be decoded, and CompositionError for images over the limit.
// A read waiting for data ends with CancelledError once `cancel` is raised.
RgbImage decodeImage(const QString& path, const CancelToken* cancel = nullptr);

} // namespace lc::media
