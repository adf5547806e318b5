#include "media/audio/SongMeasureQueue.h"

#include "media/common/MediaError.h"

#include <QFileInfo>

#include <algorithm>
#include <chrono>

namespace lc::media {

SongMeasureQueue::SongMeasureQueue(QStringList paths, int threads, const std::atomic<bool>* cancel)
    : m_paths(std::move(paths))
    , m_cancel(cancel)
    , m_results(size_t(m_paths.size()))
{
    const int n = std::clamp(threads, 1, int(std::max<qsizetype>(1, m_paths.size())));
    for (int i = 0; i < n; ++i)
        m_threads.emplace_back([this] { work(); });
}

SongMeasureQueue::~SongMeasureQueue()
{
    m_stop = true;
    for (std::thread& t : m_threads)
        t.join();
}

void SongMeasureQueue::work()
{
    for (;;) {
        const int i = m_next.fetch_add(1);
        if (i >= m_paths.size() || m_stop)
            return;
        Result r;
        try {
            r.measurement = measureSong(m_paths.at(i), m_cancel); // at(): never detaches across threads
        } catch (const CancelledError&) {
            return; // take() sees the flag itself
        } catch (const MediaError& e) {
            if (isSystemError(e.code())) {
                const QString name = QFileInfo(m_paths.at(i)).fileName();
                return fail(std::make_exception_ptr(
                    MediaError(QStringLiteral("Cannot read %1: %2").arg(name, avErrorText(e.code())), e.code())));
            }
            r.error = e.message();
        } catch (...) {
            return fail(std::current_exception());
        }
        std::lock_guard lock(m_mutex);
        m_results[size_t(i)] = std::move(r);
        m_done.notify_all();
    }
}

void SongMeasureQueue::fail(std::exception_ptr failure)
{
    std::lock_guard lock(m_mutex);
    if (!m_failure)
        m_failure = std::move(failure);
    m_done.notify_all();
}

SongMeasureQueue::Result SongMeasureQueue::take(int index)
{
    std::unique_lock lock(m_mutex);
    // Short waits, so a raised cancel flag is seen even while a song decodes.
    while (!m_results[size_t(index)] && !m_failure) {
        throwIfCancelled(m_cancel);
        m_done.wait_for(lock, std::chrono::milliseconds(20));
    }
    throwIfCancelled(m_cancel);
    if (m_failure)
        std::rethrow_exception(m_failure);
    return std::move(*m_results[size_t(index)]);
}

} // namespace lc::media
