#include "media/audio/SongMeasureQueue.h"

#include "media/common/MediaError.h"

#include <QFileInfo>

#include <algorithm>

namespace lc::media {

SongMeasureQueue::SongMeasureQueue(QStringList paths, int threads, const CancelToken* cancel, bool meterLoudness)
    : m_paths(std::move(paths))
    , m_cancel(cancel)
    , m_meterLoudness(meterLoudness)
    , m_results(size_t(m_paths.size()))
    , m_wakeOnCancel(cancel, [this] {
        std::lock_guard lock(m_mutex);
        m_done.notify_all();
    })
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
            r.measurement = measureSong(m_paths.at(i), m_cancel, m_meterLoudness); // at(): never detaches across threads
        } catch (const CancelledError&) {
            return; // take() sees the flag itself
        } catch (const MediaError& e) {
            if (isSystemError(e.code())) {
                const QString name = QFileInfo(m_paths.at(i)).fileName();
                return fail(std::make_exception_ptr(
                    MediaError(QStringLiteral("Cannot read %1: %2").arg(name, avErrorText(e.code())), e.code(), name)));
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
    // A cancel wakes this wait even while a song decodes.
    m_done.wait(lock, [&] {
        return m_results[size_t(index)] || m_failure || (m_cancel && m_cancel->isCancelled());
    });
    throwIfCancelled(m_cancel);
    if (m_failure)
        std::rethrow_exception(m_failure);
    return std::move(*m_results[size_t(index)]);
}

} // namespace lc::media
