#pragma once
// Measures a list of songs on several threads and hands the results back in
// list order. Measuring means decoding every song in full, the longest step
// before the export can start; on one thread it left the other cores idle.

#include "media/audio/SongMeasure.h"
#include "media/common/CancelToken.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lc::media {

class SongMeasureQueue {
public:
    struct Result {
        std::optional<SongMeasurement> measurement; // nothing: the song could not be read
        QString error;                              // why not, for the log
    };

    // Starts measuring at once. The threads stop early when *cancel is raised
    // or the queue is destroyed.
    // With `meterLoudness`, every measurement also carries the song's loudness.
    SongMeasureQueue(QStringList paths, int threads, const CancelToken* cancel, bool meterLoudness = false);
    ~SongMeasureQueue();
    SongMeasureQueue(const SongMeasureQueue&) = delete;
    SongMeasureQueue& operator=(const SongMeasureQueue&) = delete;

    // Waits for the song at `index`. Throws CancelledError once cancelled, and
    // rethrows anything but a media error about the song itself: a song that
    // failed for want of memory or file descriptors, or on an I/O error, fails
    // the run ("Cannot read <name>: <reason>") instead of being passed over.
    Result take(int index);

private:
    void work();
    void fail(std::exception_ptr failure);

    const QStringList m_paths; // read by every thread: never detached
    const CancelToken* m_cancel;
    const bool m_meterLoudness;
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<std::optional<Result>> m_results;
    std::exception_ptr m_failure;
    CancelToken::Waker m_wakeOnCancel;
    std::atomic<int> m_next {0};
    std::atomic<bool> m_stop {false};
    std::vector<std::thread> m_threads;
};

} // namespace lc::media
