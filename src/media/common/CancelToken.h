#pragma once
// The cancel flag of one run and the wake-ups of those who wait on it.
// Raising it runs every registered waker once, so a thread asleep on a
// condition variable or in poll(2) ends its wait at once instead of looking
// at the flag on a timer. FFmpeg sees the flag through its interrupt
// callback, between the reads and writes of every opened file.

#include <atomic>
#include <functional>
#include <list>
#include <mutex>

extern "C" {
#include <libavformat/avio.h>
}

namespace lc::media {

class CancelToken {
public:
    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // Raises the flag and runs the wakers; false when it was raised before.
    bool cancel();
    bool isCancelled() const { return m_flag.load(std::memory_order_acquire); }

    // Runs `wake` (on the cancelling thread) if the token is cancelled while
    // this registration lives. A token cancelled before registering runs
    // nothing, so a waiter checks the flag after registering. A null token
    // never cancels. Neither `wake` nor its owner's destructor may hold a
    // lock that `wake` takes.
    class Waker {
    public:
        Waker(const CancelToken* token, std::function<void()> wake);
        ~Waker();
        Waker(const Waker&) = delete;
        Waker& operator=(const Waker&) = delete;

    private:
        const CancelToken* m_token;
        std::list<std::function<void()>>::iterator m_entry;
    };

private:
    std::atomic<bool> m_flag {false};
    mutable std::mutex m_mutex;
    mutable std::list<std::function<void()>> m_wakers;
};

// FFmpeg's interrupt callback for `token` (none for a null token): blocked
// demuxing and muxing end with AVERROR_EXIT once it is cancelled.
AVIOInterruptCB interruptCallback(const CancelToken* token);

} // namespace lc::media
