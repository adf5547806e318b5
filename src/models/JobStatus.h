#pragma once
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
