#include "media/video/FrameSize.h"

#include <algorithm>
#include <cmath>

namespace lc::media {

namespace {

int evenAtLeastTwo(double side)
{
    return std::max(2, int(std::floor(side / 2.0)) * 2);
}

bool fits(int w, int h)
{
    const long macroblocks = long((w + 15) / 16) * long((h + 15) / 16);
    return w <= kMaxFrameSide && h <= kMaxFrameSide && macroblocks <= kMaxMacroblocks;
}

} // namespace

QSize h264FrameSize(int width, int height)
{
    const double w = std::max(1, width);
    const double h = std::max(1, height);
    double scale = std::min({1.0, kMaxFrameSide / w, kMaxFrameSide / h,
                             std::sqrt(kMaxMacroblocks * 256.0 / (w * h))});
    int outW = evenAtLeastTwo(w * scale);
    int outH = evenAtLeastTwo(h * scale);
    // Partial macroblocks at the edges count whole; shrink until they fit.
    while (!fits(outW, outH)) {
        scale *= 0.99;
        outW = evenAtLeastTwo(w * scale);
        outH = evenAtLeastTwo(h * scale);
    }
    return {outW, outH};
}

} // namespace lc::media
