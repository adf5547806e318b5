#pragma once
// EXIF orientation (TIFF tag 274): how the stored pixels must be turned to
// stand upright. 1 is upright; 2..8 mirror and/or rotate.

#include "media/video/RgbImage.h"

namespace lc::media {

// Returns the image as it should be shown. Values outside 1..8 count as 1.
RgbImage applyExifOrientation(RgbImage image, int orientation);

} // namespace lc::media
