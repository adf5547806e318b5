#pragma once
// Per-thread scheduling on Linux: QThread priorities have no effect under the
// default scheduler, so job runs get a nice value per thread instead. Threads
// created afterwards by the same thread (encoder workers) inherit it.

#include "platform/RenderPriority.h"

namespace ThreadPriority {

int niceValue(RenderPriority priority);    // userInitiated 0, medium 5, utility 10, background 19
// Applies to the calling thread; returns false if the kernel refused.
bool applyToCurrentThread(RenderPriority priority);

}
