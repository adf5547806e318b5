#pragma once
// A decoded picture as tightly packed 8-bit RGB rows (3 bytes a pixel).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lc::media {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width * height * 3

    int stride() const { return width * 3; }
    const uint8_t* pixel(int x, int y) const { return pixels.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3; }
    uint8_t* pixel(int x, int y) { return pixels.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3; }
};

} // namespace lc::media
