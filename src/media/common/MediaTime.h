#pragma once
// Exact rational media time: a 64-bit value over a 32-bit timescale.
// Sums of times with different timescales are carried in the least common
// timescale, so song lengths (1/44100) and the crossfade (1/600) add up
// without rounding. Arithmetic that would leave the 64-bit range (or a
// common timescale beyond 32 bits) throws MediaError instead of wrapping.

#include <QString>
#include <cstdint>
#include <compare>

namespace lc::media {

struct MediaTime {
    int64_t value = 0;
    int32_t timescale = 1;

    static constexpr int32_t kPreferredTimescale = 600;

    static MediaTime zero() { return {0, 1}; }
    // Seconds rounded to the nearest tick of the timescale; throws MediaError
    // for a value that is not finite or does not fit.
    static MediaTime fromSeconds(double seconds, int32_t preferredTimescale = kPreferredTimescale);
    // A count of samples at a sample rate, exactly.
    static MediaTime fromSamples(int64_t samples, int32_t sampleRate) { return {samples, sampleRate}; }

    double seconds() const { return double(value) / double(timescale); }
    // This time expressed in `rate` ticks per second, rounded to nearest.
    int64_t rescaled(int64_t rate) const;
    // Same time, in a (larger) timescale that must be a multiple of this one.
    MediaTime convertedTo(int32_t newTimescale) const;

    friend MediaTime operator+(MediaTime a, MediaTime b);
    friend MediaTime operator-(MediaTime a, MediaTime b);
    friend bool operator==(MediaTime a, MediaTime b);
    friend std::strong_ordering operator<=>(MediaTime a, MediaTime b);

    QString toString() const { return QStringLiteral("%1/%2").arg(value).arg(timescale); }
};

} // namespace lc::media
