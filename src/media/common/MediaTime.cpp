#include "media/common/MediaTime.h"

#include "media/common/MediaError.h"

#include <cmath>
#include <numeric>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace lc::media {

namespace {
[[noreturn]] void overflow(const char* what)
{
    throw MediaError(QStringLiteral("MediaTime %1: value out of range").arg(QLatin1String(what)));
}

int32_t commonTimescale(int32_t a, int32_t b)
{
    if (a <= 0 || b <= 0)
        overflow("timescale");
    const int64_t ts = std::lcm(int64_t(a), int64_t(b));
    if (ts > INT32_MAX)
        overflow("timescale");
    return int32_t(ts);
}
}

MediaTime MediaTime::fromSeconds(double seconds, int32_t preferredTimescale)
{
    const double ticks = std::round(seconds * preferredTimescale);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!std::isfinite(ticks) || std::fabs(ticks) >= 9223372036854775808.0)
        overflow("from seconds");
    return {int64_t(ticks), preferredTimescale};
}

int64_t MediaTime::rescaled(int64_t rate) const
{
    return av_rescale_rnd(value, rate, timescale, AVRounding(AV_ROUND_NEAR_INF));
}

MediaTime MediaTime::convertedTo(int32_t newTimescale) const
{
    int64_t v = 0;
    if (__builtin_mul_overflow(value, int64_t(newTimescale / timescale), &v))
        overflow("conversion");
    return {v, newTimescale};
}

MediaTime operator+(MediaTime a, MediaTime b)
{
    const int32_t ts = commonTimescale(a.timescale, b.timescale);
    int64_t v = 0;
    if (__builtin_add_overflow(a.convertedTo(ts).value, b.convertedTo(ts).value, &v))
        overflow("addition");
    return {v, ts};
}

MediaTime operator-(MediaTime a, MediaTime b)
{
    const int32_t ts = commonTimescale(a.timescale, b.timescale);
    int64_t v = 0;
    if (__builtin_sub_overflow(a.convertedTo(ts).value, b.convertedTo(ts).value, &v))
        overflow("subtraction");
    return {v, ts};
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
