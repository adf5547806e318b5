#pragma once
// The window an AAC-LC stereo frame was coded with, read from the first
// element of its raw_data_block. Two frames with equal states leave the
// decoder's overlap-add in the same condition for the frame that follows,
// which is what makes a splice between two encoders clean.

#include <cstdint>
#include <optional>

namespace lc::media {

struct AacWindowState {
    int sequence = 0; // ONLY_LONG, LONG_START, EIGHT_SHORT, LONG_STOP
    int shape = 0;    // sine or KBD
    friend bool operator==(AacWindowState, AacWindowState) = default;
};

// The state of a frame whose first element is a CPE with a common window;
// nothing for other frames (a state we cannot read never counts as equal).
std::optional<AacWindowState> readAacWindowState(const uint8_t* data, int size);

} // namespace lc::media
