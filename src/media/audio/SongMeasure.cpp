#include "media/audio/SongMeasure.h"

#include "media/audio/SongDecoder.h"
#include "media/audio/TruePeakMeter.h"
#include "media/common/MediaError.h"

#include <ebur128.h>

#include <array>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
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

// The loudness meter's filter costs more than decoding the song, so it runs
// on a thread of its own, fed through a few buffers: decoding and metering
// overlap, and the last song of a list keeps both cores busy too.
class LoudnessThread {
public:
    explicit LoudnessThread(const QString& path)
        : m_path(path)
        , m_meter(ebur128_init(kMixChannels, kMixSampleRate, EBUR128_MODE_I))
    {
        if (!m_meter)
            throw MediaError(QStringLiteral("ebur128_init failed on %1").arg(path), AVERROR(ENOMEM));
        for (std::vector<float>& b : m_buffers)
            b.resize(size_t(2 * kMeterChunk));
        m_thread = std::thread([this] { run(); });
    }
    ~LoudnessThread() { close(true); }
    LoudnessThread(const LoudnessThread&) = delete;
    LoudnessThread& operator=(const LoudnessThread&) = delete;

    // Interleaves and queues the next `count` samples (at most kMeterChunk);
    // waits while every buffer is still being metered.
    void add(const float* left, const float* right, int64_t count)
    {
        std::vector<float>* buffer = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_error || m_queued - m_metered < kSlots; });
            if (m_error)
                std::rethrow_exception(m_error);
            buffer = &m_buffers[size_t(m_queued % kSlots)];
            m_counts[size_t(m_queued % kSlots)] = count;
        }
        float* out = buffer->data();
        for (int64_t i = 0; i < count; ++i) {
            out[2 * i] = left[i];
            out[2 * i + 1] = right[i];
        }
        {
            std::lock_guard lock(m_mutex);
            ++m_queued;
        }
        m_changed.notify_all();
    }

    // Integrated loudness of everything added, once metered.
    double integrated()
    {
        close(false);
        if (m_error)
            std::rethrow_exception(m_error);
        double loudness = 0;
        checkMeter(ebur128_loudness_global(m_meter.get(), &loudness), "ebur128_loudness_global", m_path);
        return loudness;
    }

private:
    static constexpr int kSlots = 4;

    void run()
    {
        for (;;) {
            int64_t slot = 0;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_abandoned || m_metered < m_queued || m_closed; });
                if (m_abandoned || m_metered == m_queued)
                    return;
                slot = m_metered % kSlots;
            }
            std::exception_ptr failure;
            try {
                checkMeter(ebur128_add_frames_float(m_meter.get(), m_buffers[size_t(slot)].data(),
                                                    size_t(m_counts[size_t(slot)])),
                           "ebur128_add_frames_float", m_path);
            } catch (const MediaError&) {
                failure = std::current_exception();
            }
            {
                std::lock_guard lock(m_mutex);
                ++m_metered;
                if (failure && !m_error)
                    m_error = failure;
            }
            m_changed.notify_all();
        }
    }

    // Waits for the queued buffers to be metered, or drops them.
    void close(bool abandon)
    {
        {
            std::lock_guard lock(m_mutex);
            m_closed = true;
            m_abandoned = m_abandoned || abandon;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    const QString m_path;
    MeterPtr m_meter;
    std::array<std::vector<float>, kSlots> m_buffers;
    std::array<int64_t, kSlots> m_counts {};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int64_t m_queued = 0, m_metered = 0;
    bool m_closed = false, m_abandoned = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

// Reads the rest of the song through the meters: integrated loudness with
// its gating, and the true peak over both channels.
SongLoudness meterRemaining(SongDecoder& decoder, const QString& path, int64_t* frames)
{
    LoudnessThread loudness(path);
    TruePeakMeter peak;
    std::vector<float> left(kMeterChunk), right(kMeterChunk);
    while (const int64_t n = decoder.read(left.data(), right.data(), kMeterChunk)) {
        loudness.add(left.data(), right.data(), n);
        peak.add(left.data(), right.data(), n);
        *frames += n;
    }
    return SongLoudness {loudness.integrated(), decibels(peak.peak())};
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
