#pragma once
// How a mix levels its songs and names them. Chosen when a job is made and
// kept with it, so a later change of the preferences leaves queued jobs as
// they were. The bounds hold wherever a value enters: the preferences, the
// job store, job lines and the command line.

#include <cmath>
#include <optional>

namespace loudness {

// What streaming services play music at.
inline constexpr double defaultTarget = -14.0; // LUFS
inline constexpr double minTarget = -30.0;
inline constexpr double maxTarget = -5.0;
// One dB of headroom keeps lossy encoding and resampling from clipping.
inline constexpr double defaultCeiling = -1.0; // dBTP
inline constexpr double minCeiling = -9.0;
inline constexpr double maxCeiling = 0.0;

// False for NaN and for anything outside the bounds.
inline bool isValidTarget(double lufs) { return lufs >= minTarget && lufs <= maxTarget; }
inline bool isValidCeiling(double dbtp) { return dbtp >= minCeiling && dbtp <= maxCeiling; }

} // namespace loudness

struct MixOptions {
    std::optional<double> loudnessTarget; // LUFS; none: every song plays at its own level
    double truePeakCeiling = loudness::defaultCeiling;
    bool titlesFromTags = false;          // "Artist – Title" instead of the file name
    bool operator==(const MixOptions&) const = default;
};
