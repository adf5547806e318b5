#include "media/audio/AacWindowState.h"

namespace lc::media {

namespace {
constexpr int kIdCpe = 1;
}

std::optional<AacWindowState> readAacWindowState(const uint8_t* data, int size)
{
    if (!data || size < 2)
        return std::nullopt;
    // id_syn_ele(3) element_instance_tag(4) common_window(1) |
    // ics_reserved_bit(1) window_sequence(2) window_shape(1) ...
    const int element = data[0] >> 5;
    const bool commonWindow = data[0] & 1;
    if (element != kIdCpe || !commonWindow)
        return std::nullopt;
    return AacWindowState {(data[1] >> 5) & 3, (data[1] >> 4) & 1};
}

} // namespace lc::media
