#pragma once
// Encodes a still picture as one closed H.264 GOP with libx264: an IDR
// followed by P-frames of the same picture, no B-frames and no scene cuts, so
// the GOP can be repeated bit for bit to hold the picture for any length.

#include "media/common/CancelToken.h"
#include "media/common/FfmpegPtr.h"
#include "media/video/RgbImage.h"

#include <QSize>
#include <vector>

namespace lc::media {

constexpr int kStillFrameRate = 30;
// Ten seconds between key frames: seeking stays quick and a GOP of a static
// picture costs little more than its IDR.
constexpr int kStillGopFrames = 300;

struct EncodedGop {
    CodecParametersPtr params;          // with avcC extradata and BT.709 tags
    std::vector<PacketPtr> packets;     // in decode order, pts = frame index
};

// Scales `image` to `size` (BT.709, limited range, yuv420p) and encodes
// `frames` (1..kStillGopFrames) frames of it. Throws MediaError naming the
// failing call, CancelledError when cancelled.
EncodedGop encodeStillGop(const RgbImage& image, QSize size, int frames, const CancelToken* cancel);

} // namespace lc::media
