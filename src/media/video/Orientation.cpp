#include "media/video/Orientation.h"

#include <cstring>

namespace lc::media {

RgbImage applyExifOrientation(RgbImage image, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return image;
    const int w = image.width;
    const int h = image.height;
    const bool swaps = orientation >= 5; // 5..8 turn by a quarter
    RgbImage out;
    out.width = swaps ? h : w;
    out.height = swaps ? w : h;
    out.pixels.resize(image.pixels.size());
    for (int oy = 0; oy < out.height; ++oy) {
        for (int ox = 0; ox < out.width; ++ox) {
            int sx = ox;
            int sy = oy;
            switch (orientation) {
            case 2: sx = w - 1 - ox; sy = oy; break;          // mirrored left-right
            case 3: sx = w - 1 - ox; sy = h - 1 - oy; break;  // upside down
            case 4: sx = ox; sy = h - 1 - oy; break;          // mirrored top-bottom
            case 5: sx = oy; sy = ox; break;                  // transposed
            case 6: sx = oy; sy = h - 1 - ox; break;          // needs a quarter turn clockwise
            case 7: sx = w - 1 - oy; sy = h - 1 - ox; break;  // transversed
            case 8: sx = w - 1 - oy; sy = ox; break;          // needs a quarter turn counter-clockwise
            }
            std::memcpy(out.pixel(ox, oy), image.pixel(sx, sy), 3);
        }
    }
    return out;
}

} // namespace lc::media
