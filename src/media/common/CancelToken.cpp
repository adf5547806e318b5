#include "media/common/CancelToken.h"

namespace lc::media {

bool CancelToken::cancel()
{
    if (m_flag.exchange(true, std::memory_order_acq_rel))
        return false;
    std::lock_guard lock(m_mutex);
    for (const auto& wake : m_wakers)
        wake();
    return true;
}

CancelToken::Waker::Waker(const CancelToken* token, std::function<void()> wake)
    : m_token(token)
{
    if (!m_token)
        return;
    std::lock_guard lock(m_token->m_mutex);
    m_entry = m_token->m_wakers.insert(m_token->m_wakers.end(), std::move(wake));
}

CancelToken::Waker::~Waker()
{
    if (!m_token)
        return;
    // Waits for a cancel that is running the wakers, so `wake` never
    // outlives what it captured.
    std::lock_guard lock(m_token->m_mutex);
    m_token->m_wakers.erase(m_entry);
}

AVIOInterruptCB interruptCallback(const CancelToken* token)
{
    if (!token)
        return {nullptr, nullptr};
    const auto interrupted = [](void* opaque) { return int(static_cast<const CancelToken*>(opaque)->isCancelled()); };
    return {interrupted, const_cast<CancelToken*>(token)};
}

} // namespace lc::media
