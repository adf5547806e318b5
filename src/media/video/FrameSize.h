#pragma once
// The H.264 frame size for a still image of w x h pixels: both sides even
// (4:2:0 needs whole chroma samples), no side above 4096 and at most 36,864
// macroblocks (level 5.1's frame limit, e.g. 4096 x 2304), so every hardware
// decoder that plays 4K plays the result. Larger images are scaled down
// keeping their aspect ratio; smaller ones keep their size, give or take the
// one pixel that makes a side even.

#include <QSize>

namespace lc::media {

constexpr int kMaxFrameSide = 4096;
constexpr int kMaxMacroblocks = 36864;

QSize h264FrameSize(int width, int height);

} // namespace lc::media
