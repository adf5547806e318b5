#pragma once
// Priorities of job runs, chosen from the thermal state when a job starts.
// On Linux they become per-thread nice values (see platform/ThreadPriority.h).

enum class RenderPriority { userInitiated, medium, utility, background };
