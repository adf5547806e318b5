#pragma once
// Where to cut a stream whose frames arrive in decode order so that no frame
// is left without a reference and no gap opens in the picture: the longest
// decode-order prefix whose presentation times all lie below `limit` and below
// every presentation time after it. Fed one packet at a time; it keeps only
// the few cut candidates still within the reorder window, so memory does not
// grow with the length of the stream.

#include <cstdint>
#include <deque>

namespace lc::media {

class PrefixCutFinder {
public:
    explicit PrefixCutFinder(int64_t limit) : m_limit(limit) {}

    // Next packet in decode order. Returns false once later packets can no
    // longer change the answer (the caller may stop reading).
    bool add(int64_t pts, int64_t dts);

    // Packets to keep, counted from the first one added.
    int64_t keepCount() const { return m_open.empty() ? m_settled : m_open.back().count; }

private:
    struct Candidate {
        int64_t count;
        int64_t maxPts;
    };
    int64_t m_limit;
    int64_t m_added = 0;
    int64_t m_prefixMaxPts = INT64_MIN;
    int64_t m_settled = 0;           // a cut no later packet can invalidate
    std::deque<Candidate> m_open;    // cuts still exposed to later packets, maxPts increasing
};

} // namespace lc::media
