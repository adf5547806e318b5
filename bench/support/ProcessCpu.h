#pragma once
// CPU time (user + system) of this process so far, in seconds, over all its
// threads: the benchmarks' CPU/wall figures. Shared by the benchmarks.

double processCpuSeconds();
