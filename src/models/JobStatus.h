#pragma once
#include <QtGlobal>

#include <array>
#include <cstdint>

// Stored as an integer in MixJob::statusValue; any other stored value reads as pending.
enum class JobStatus : int64_t {
    pending = 0,
    processing = 1,
    paused = 2,
    completed = 3,
    failed = 4,
    cancelled = 5,
};

inline JobStatus jobStatusFromValue(int64_t value)
{
    return (value >= 0 && value <= 5) ? JobStatus(value) : JobStatus::pending;
}

// The render's status texts that carry numbers. A job's status message is
// stored in English with its numbers filled in, because the store and the
// command line compare it; the window matches it against these, translates
// the text and fills the same numbers in again.
namespace statusTemplate {
inline constexpr const char* buildingMix = QT_TRANSLATE_NOOP("JobStatus", "Building audio mix (Crossfade: %1s)...");
inline constexpr const char* mixingAudio = QT_TRANSLATE_NOOP("JobStatus", "Mixing audio %1/%2...");
inline constexpr const char* remuxing = QT_TRANSLATE_NOOP("JobStatus", "Remuxing... %1%");
inline constexpr std::array all {buildingMix, mixingAudio, remuxing};
} // namespace statusTemplate
