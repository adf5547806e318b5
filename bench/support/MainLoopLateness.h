#pragma once
// How late a precise timer (10 ms unless told) fires on the main loop: the
// figure for "the window stays responsive while jobs render". Shared by the
// benchmarks.

#include <functional>

struct MainLoopLateness {
    double p50Ms = 0;
    double p99Ms = 0;
    double maxMs = 0;
    int samples = 0;
};

// Runs the current thread's event loop, sampling the timer, until `done`
// returns true (checked at every tick) or `maxMs` has passed.
MainLoopLateness sampleMainLoop(const std::function<bool()>& done, int maxMs, int intervalMs = 10);
