#pragma once
// The true peak of a stereo signal: its largest magnitude once interpolated
// to four times its rate, as a loudness meter's dBTP reads it. Done here in
// float on whole blocks, which the compiler turns into vector code: the
// library meter's own true peak cost three times its loudness measurement,
// and a loudness-matched render measures every song before the mix starts.

#include <array>
#include <cstdint>

namespace lc::media {

class TruePeakMeter {
public:
    // Adds the next `count` samples of both channels.
    void add(const float* left, const float* right, int64_t count);
    // Linear; 0 for silence.
    double peak() const { return m_peak; }

    static constexpr int kTaps = 12;       // per interpolated phase
    static constexpr int kBlock = 1024;

private:
    void addBlock(int channel, const float* samples, int count);

    // The last kTaps - 1 samples of each channel, ahead of the next block.
    std::array<std::array<float, kTaps - 1 + kBlock>, 2> m_window {};
    float m_peak = 0;
};

} // namespace lc::media
