#include "media/audio/TruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lc::media {

namespace {

constexpr int kPhases = 3; // the points a quarter, a half and three quarters between two samples

// Kaiser window (beta 5) over the filter's span, from the series of I0.
double kaiser(double x, double halfSpan)
{
    const auto i0 = [](double v) {
        double sum = 1, term = 1;
        for (int k = 1; k < 30; ++k) {
            term *= (v / (2 * k)) * (v / (2 * k));
            sum += term;
        }
        return sum;
    };
    constexpr double beta = 5.0;
    const double r = x / halfSpan;
    return r * r >= 1 ? 0.0 : i0(beta * std::sqrt(1 - r * r)) / i0(beta);
}

// Windowed-sinc interpolation: coefficient k of phase p weighs the sample k
// places back for the point (p + 1)/4 after the sample kTaps/2 places back. Each phase
// sums to 1, so a steady level reads as itself.
struct Coefficients {
    float c[kPhases][TruePeakMeter::kTaps];
    Coefficients()
    {
        constexpr int mid = TruePeakMeter::kTaps / 2;
        for (int p = 0; p < kPhases; ++p) {
            double sum = 0;
            double raw[TruePeakMeter::kTaps];
            for (int k = 0; k < TruePeakMeter::kTaps; ++k) {
                const double x = (k - mid) + (p + 1) / 4.0; // from the sample k places back to the point
                const double sinc = std::sin(M_PI * x) / (M_PI * x);
                raw[k] = sinc * kaiser(x, mid);
                sum += raw[k];
            }
            for (int k = 0; k < TruePeakMeter::kTaps; ++k)
                c[p][k] = float(raw[k] / sum);
        }
    }
};

const Coefficients kCoefficients;

typedef float Lanes4 __attribute__((vector_size(16)));
typedef float Lanes8 __attribute__((vector_size(32)));

template <class Lanes>
[[gnu::always_inline]] inline void keepLarger(Lanes& peak, const Lanes& v)
{
    peak = peak > v ? peak : v;
    peak = peak > -v ? peak : -v;
}

// The largest magnitude of the block x[0, kBlock) and of the points between
// its samples (x reaches kTaps - 1 samples back). Lanes of neighbouring
// points side by side, each phase's sum held in a register across the taps:
// every tap is loaded once for all three phases. The sums run in the same
// order whatever the lane width, so the peak does not depend on the machine.
template <class Lanes>
[[gnu::always_inline]] inline float blockPeak(const float* x)
{
    static_assert(kPhases == 3, "one sum per phase: a0, a1, a2");
    constexpr int kLanes = sizeof(Lanes) / sizeof(float);
    const auto& c = kCoefficients.c;
    Lanes peak {};
    for (int i = 0; i < TruePeakMeter::kBlock; i += kLanes) {
        Lanes v, a0 {}, a1 {}, a2 {};
        std::memcpy(&v, x + i, sizeof v);
        keepLarger(peak, v);
#pragma GCC unroll 12
        for (int k = 0; k < TruePeakMeter::kTaps; ++k) {
            std::memcpy(&v, x + i - k, sizeof v);
            a0 += c[0][k] * v;
            a1 += c[1][k] * v;
            a2 += c[2][k] * v;
        }
        keepLarger(peak, a0);
        keepLarger(peak, a1);
        keepLarger(peak, a2);
    }
    float out = 0;
    for (int lane = 0; lane < kLanes; ++lane)
        out = std::max(out, peak[lane]);
    return out;
}

float blockPeakSse(const float* x)
{
    return blockPeak<Lanes4>(x);
}

[[gnu::target("avx2")]] float blockPeakAvx2(const float* x)
{
    return blockPeak<Lanes8>(x);
}

// Twice the lanes where the processor has them. Chosen while static objects
// are built, which may come before the runtime's own processor check.
const auto kBlockPeak = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? blockPeakAvx2 : blockPeakSse;
}();

} // namespace

void TruePeakMeter::add(const float* left, const float* right, int64_t count)
{
    for (int64_t done = 0; done < count; done += kBlock) {
        const int n = int(std::min<int64_t>(kBlock, count - done));
        addBlock(0, left + done, n);
        addBlock(1, right + done, n);
    }
}

void TruePeakMeter::addBlock(int channel, const float* samples, int count)
{
    // The window holds kTaps - 1 earlier samples, then this block (padded
    // with silence, which cannot raise the peak).
    std::array<float, kTaps - 1 + kBlock>& w = m_window[size_t(channel)];
    std::memcpy(w.data() + kTaps - 1, samples, size_t(count) * sizeof(float));
    std::fill(w.begin() + kTaps - 1 + count, w.end(), 0.0f);
    m_peak = std::max(m_peak, kBlockPeak(w.data() + kTaps - 1));
    std::memmove(w.data(), w.data() + count, size_t(kTaps - 1) * sizeof(float));
}

} // namespace lc::media
