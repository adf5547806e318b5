#include "media/audio/SongMeasure.h"

#include "media/audio/SongDecoder.h"
#include "media/audio/TruePeakMeter.h"
#include "media/common/MediaError.h"

#include <ebur128.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace lc::media {

namespace {

constexpr int64_t kMeterChunk = 8192;

struct MeterDeleter {
    void operator()(ebur128_state* s) const { ebur128_destroy(&s); }
};
using MeterPtr = std::unique_ptr<ebur128_state, MeterDeleter>;

double decibels(double linear)
{
    return linear > 0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

void checkMeter(int ret, const char* call, const QString& path)
{
    if (ret != EBUR128_SUCCESS)
        throw MediaError(QStringLiteral("%1 failed (%2) on %3").arg(QLatin1String(call)).arg(ret).arg(path),
                         AVERROR(ENOMEM));
}

// Reads the rest of the song through the meters: integrated loudness with
// its gating, and the true peak over both channels.
SongLoudness meterRemaining(SongDecoder& decoder, const QString& path, int64_t* frames)
{
    MeterPtr meter(ebur128_init(kMixChannels, kMixSampleRate, EBUR128_MODE_I));
    if (!meter)
        throw MediaError(QStringLiteral("ebur128_init failed on %1").arg(path), AVERROR(ENOMEM));
    TruePeakMeter peak;
    std::vector<float> left(kMeterChunk), right(kMeterChunk), interleaved(2 * kMeterChunk);
    while (const int64_t n = decoder.read(left.data(), right.data(), kMeterChunk)) {
        peak.add(left.data(), right.data(), n);
        for (int64_t i = 0; i < n; ++i) {
            interleaved[size_t(2 * i)] = left[size_t(i)];
            interleaved[size_t(2 * i + 1)] = right[size_t(i)];
        }
        checkMeter(ebur128_add_frames_float(meter.get(), interleaved.data(), size_t(n)), "ebur128_add_frames_float",
                   path);
        *frames += n;
    }
    SongLoudness loudness;
    checkMeter(ebur128_loudness_global(meter.get(), &loudness.integrated), "ebur128_loudness_global", path);
    loudness.truePeak = decibels(peak.peak());
    return loudness;
}

} // namespace

SongMeasurement measureSong(const QString& path, const CancelToken* cancel, bool meterLoudness)
{
    throwIfCancelled(cancel);
    SongDecoder decoder(path, cancel);
    SongMeasurement m;
    m.hasAudio = decoder.hasAudio();
    m.artist = decoder.tag("artist");
    m.title = decoder.tag("title");
    if (!m.hasAudio)
        return m;
    if (meterLoudness)
        m.loudness = meterRemaining(decoder, path, &m.frames);
    else
        m.frames = decoder.countRemaining();
    return m;
}

} // namespace lc::media
