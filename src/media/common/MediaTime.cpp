#include "media/common/MediaTime.h"

#include <cmath>
#include <numeric>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace lc::media {

namespace {
int32_t commonTimescale(int32_t a, int32_t b)
{
    return int32_t(std::lcm(int64_t(a), int64_t(b)));
}
}

MediaTime MediaTime::fromSeconds(double seconds, int32_t preferredTimescale)
{
    if (!std::isfinite(seconds))
        return zero();
    return {int64_t(std::llround(seconds * preferredTimescale)), preferredTimescale};
}

int64_t MediaTime::rescaled(int64_t rate) const
{
    return av_rescale_rnd(value, rate, timescale, AVRounding(AV_ROUND_NEAR_INF));
}

MediaTime MediaTime::convertedTo(int32_t newTimescale) const
{
    return {value * (newTimescale / timescale), newTimescale};
}

MediaTime operator+(MediaTime a, MediaTime b)
{
    const int32_t ts = commonTimescale(a.timescale, b.timescale);
    return {a.convertedTo(ts).value + b.convertedTo(ts).value, ts};
}

MediaTime operator-(MediaTime a, MediaTime b)
{
    const int32_t ts = commonTimescale(a.timescale, b.timescale);
    return {a.convertedTo(ts).value - b.convertedTo(ts).value, ts};
}

bool operator==(MediaTime a, MediaTime b)
{
    return (a <=> b) == std::strong_ordering::equal;
}

std::strong_ordering operator<=>(MediaTime a, MediaTime b)
{
    const int32_t ts = commonTimescale(a.timescale, b.timescale);
    return a.convertedTo(ts).value <=> b.convertedTo(ts).value;
}

} // namespace lc::media
