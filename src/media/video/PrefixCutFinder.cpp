#include "media/video/PrefixCutFinder.h"

#include <algorithm>

namespace lc::media {

bool PrefixCutFinder::add(int64_t pts, int64_t dts)
{
    // A later frame shown before the end of a prefix breaks that cut.
    while (!m_open.empty() && m_open.back().maxPts >= pts)
        m_open.pop_back();

    ++m_added;
    m_prefixMaxPts = std::max(m_prefixMaxPts, pts);
    if (m_prefixMaxPts < m_limit) {
        if (!m_open.empty() && m_open.back().maxPts == m_prefixMaxPts)
            m_open.back().count = m_added;
        else
            m_open.push_back({m_added, m_prefixMaxPts});
    }

    // Every later packet has a larger dts and pts >= dts, so cuts whose
    // frames all show at or before this dts are final.
    while (!m_open.empty() && m_open.front().maxPts <= dts) {
        m_settled = m_open.front().count;
        m_open.pop_front();
    }
    return m_prefixMaxPts < m_limit || !m_open.empty();
}

} // namespace lc::media
