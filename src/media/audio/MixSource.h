#pragma once
// Renders a MixPlan as PCM, front to back: each song is decoded when its
// start comes due, scaled by its fade ramps and added in; only the songs that
// overlap the current position are open at once.

#include "media/audio/MixPlan.h"
#include "media/audio/SongDecoder.h"
#include "media/common/CancelToken.h"

#include <memory>
#include <vector>

namespace lc::media {

class MixSource {
public:
    MixSource(const MixPlan& plan, const CancelToken* cancel);
    ~MixSource();

    int64_t totalFrames() const { return m_total; }
    int64_t position() const { return m_position; }

    // Writes the next `count` frames of the mix (silence past the end).
    void render(float* left, float* right, int64_t count);

    // A song's placement on the sample grid; public for inspection in tests.
    struct Placement {
        QString path;
        int64_t start = 0;    // first sample (may be negative)
        int64_t end = 0;      // one past the last sample
        int64_t fadeInBegin = 0, fadeInEnd = 0;   // empty range: no fade-in
        int64_t fadeOutBegin = 0, fadeOutEnd = 0; // empty range: no fade-out
        float gain = 1.0f;    // the song's constant gain; 1 leaves its samples untouched
        float gainAt(int64_t sample) const;
    };
    static std::vector<Placement> place(const MixPlan& plan);

private:
    struct Voice;
    void openDueVoices(int64_t until);
    void applyGain(float gain, int64_t count);

    const CancelToken* m_cancel;
    std::vector<Placement> m_placements; // sorted by start
    size_t m_nextPlacement = 0;
    std::vector<std::unique_ptr<Voice>> m_voices;
    int64_t m_total = 0;
    int64_t m_position = 0;
    std::vector<float> m_songLeft, m_songRight;
};

} // namespace lc::media
