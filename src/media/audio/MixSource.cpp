#include "media/audio/MixSource.h"

#include "media/common/MediaError.h"

#include <algorithm>
#include <cstring>

namespace lc::media {

namespace {
constexpr int64_t kChunkFrames = 4096;

float rampUp(int64_t sample, int64_t begin, int64_t end)
{
    if (sample >= end)
        return 1.0f;
    if (sample < begin)
        return 0.0f;
    return float(double(sample - begin) / double(end - begin));
}
}

struct MixSource::Voice {
    Placement placement;
    SongDecoder decoder;
    int64_t next; // sample of the mix the decoder delivers next
    Voice(const Placement& p, const CancelToken* cancel)
        : placement(p), decoder(p.path, cancel), next(p.start) {}
};

float MixSource::Placement::gainAt(int64_t sample) const
{
    const float in = fadeInEnd > fadeInBegin ? rampUp(sample, fadeInBegin, fadeInEnd) : 1.0f;
    const float out = fadeOutEnd > fadeOutBegin ? 1.0f - rampUp(sample, fadeOutBegin, fadeOutEnd) : 1.0f;
    // Ramps of a song shorter than the crossfade overlap; their product stays in [0, 1].
    return std::clamp(in * out, 0.0f, 1.0f);
}

std::vector<MixSource::Placement> MixSource::place(const MixPlan& plan)
{
    std::vector<Placement> out;
    for (const MixEntry& e : plan.entries) {
        Placement p;
        p.path = e.path;
        p.start = e.start.rescaled(kMixSampleRate);
        p.end = p.start + e.frames;
        p.gain = float(gainFactor(e.gainDb));
        if (e.fadeIn) {
            p.fadeInBegin = p.start;
            p.fadeInEnd = (e.start + e.fadeInLength).rescaled(kMixSampleRate);
        }
        if (e.fadeOut) {
            p.fadeOutBegin = (e.end() - e.fadeOutLength).rescaled(kMixSampleRate);
            p.fadeOutEnd = p.end;
        }
        out.push_back(p);
    }
    std::stable_sort(out.begin(), out.end(), [](const Placement& a, const Placement& b) { return a.start < b.start; });
    return out;
}

MixSource::MixSource(const MixPlan& plan, const CancelToken* cancel)
    : m_cancel(cancel)
    , m_placements(place(plan))
    , m_total(std::max<int64_t>(0, plan.totalFrames()))
{
    m_songLeft.resize(kChunkFrames);
    m_songRight.resize(kChunkFrames);
}

MixSource::~MixSource() = default;

void MixSource::openDueVoices(int64_t until)
{
    while (m_nextPlacement < m_placements.size() && m_placements[m_nextPlacement].start < until) {
        const Placement& p = m_placements[m_nextPlacement++];
        if (p.end <= m_position || p.end <= p.start || p.start >= m_total)
            continue; // nothing of it is heard
        auto voice = std::make_unique<Voice>(p, m_cancel);
        // A start before the mix (crossfade longer than the songs before it) is cut off.
        if (voice->next < m_position)
            voice->next += voice->decoder.skip(m_position - voice->next);
        m_voices.push_back(std::move(voice));
    }
}

void MixSource::applyGain(float gain, int64_t count)
{
    for (int64_t i = 0; i < count; ++i) {
        m_songLeft[size_t(i)] *= gain;
        m_songRight[size_t(i)] *= gain;
    }
}

void MixSource::render(float* left, float* right, int64_t count)
{
    int64_t done = 0;
    while (done < count) {
        throwIfCancelled(m_cancel);
        const int64_t n = std::min(kChunkFrames, count - done);
        float* outL = left + done;
        float* outR = right + done;
        std::memset(outL, 0, size_t(n) * sizeof(float));
        std::memset(outR, 0, size_t(n) * sizeof(float));
        const int64_t chunkBegin = m_position;
        const int64_t chunkEnd = std::min(m_position + n, m_total);
        openDueVoices(chunkEnd);

        for (auto& v : m_voices) {
            const Placement& p = v->placement;
            const int64_t from = std::max(chunkBegin, v->next);
            const int64_t to = std::min(chunkEnd, p.end);
            if (to <= from)
                continue;
            // A song that decodes shorter than measured is padded with silence.
            const int64_t got = v->decoder.read(m_songLeft.data(), m_songRight.data(), to - from);
            // A gain of exactly 1 skips the pass, so a mix without loudness
            // matching stays sample for sample what it always was.
            if (p.gain != 1.0f)
                applyGain(p.gain, got);
            const int64_t offset = from - chunkBegin;
            for (int64_t i = 0; i < got; ++i) {
                const float g = p.gainAt(from + i);
                outL[offset + i] += g * m_songLeft[size_t(i)];
                outR[offset + i] += g * m_songRight[size_t(i)];
            }
            v->next = to;
        }
        // A song that decodes longer than measured is cut at its planned end.
        std::erase_if(m_voices, [&](const std::unique_ptr<Voice>& v) {
            return v->next >= std::min(v->placement.end, m_total);
        });
        m_position += n;
        done += n;
    }
}

} // namespace lc::media
