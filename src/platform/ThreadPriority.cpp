#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace ThreadPriority {

int niceValue(RenderPriority priority)
{
    switch (priority) {
    case RenderPriority::userInitiated:
        return 0;
    case RenderPriority::medium:
        return 5;
    case RenderPriority::utility:
        return 10;
    case RenderPriority::background:
        return 19;
    }
    return 0;
}

bool applyToCurrentThread(RenderPriority priority)
{
    // On Linux PRIO_PROCESS with a thread id addresses that one thread, not
    // the whole process; the main thread keeps its own value.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    const int wanted = niceValue(priority);
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0 && current == wanted)
        return true;
    return ::setpriority(PRIO_PROCESS, tid, wanted) == 0;
}

} // namespace ThreadPriority
