#pragma once
// How long neighbouring songs of a mix overlap, wherever the length enters:
// the settings screen, the stored preference, job lines and the command line.
// 0 is a real choice (songs back to back); only an absent value means the
// default.

namespace crossfade {

inline constexpr double defaultSeconds = 3.0;
inline constexpr double minSeconds = 0.0;
// Longer fades would swallow most of a short song and ask the mixer for
// long ramps; ten seconds is plenty for any mix.
inline constexpr double maxSeconds = 10.0;

} // namespace crossfade
