#include "media/audio/MixedAudioEncoder.h"

#include "media/audio/AacSegmentEncoder.h"
#include "media/audio/AacWindowState.h"
#include "media/audio/MixSource.h"
#include "media/common/MediaError.h"
#include "media/common/MediaLog.h"

#include <QDebug>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lc::media {

namespace {

// Packet j carries the frame whose pts is (j - 1) * kAacFrameSize: the first
// packet (j = 0) holds the encoder's priming.
int64_t packetIndex(const AVPacket* p)
{
    return (p->pts + kAacFrameSize) / kAacFrameSize;
}

struct EncodedSegment {
    std::vector<PacketPtr> packets;
    int64_t firstIndex() const { return packets.empty() ? 0 : packetIndex(packets.front().get()); }
    const AVPacket* at(int64_t index) const
    {
        const int64_t i = index - firstIndex();
        return i >= 0 && i < int64_t(packets.size()) ? packets[size_t(i)].get() : nullptr;
    }
};

std::optional<AacWindowState> windowOf(const AVPacket* p)
{
    return p ? readAacWindowState(p->data, p->size) : std::nullopt;
}

} // namespace

struct MixedAudioEncoder::Impl {
    Impl(const MixPlan& plan, const CancelToken* cancel, const Options& options);
    ~Impl();

    bool cancelled() const { return cancel && cancel->isCancelled(); }
    int segmentCount() const { return int(bounds.size()) - 1; }
    int64_t inputStartFrame(int k) const { return k == 0 ? 0 : bounds[size_t(k)] - opt.warmupFrames; }
    int64_t inputEndFrame(int k) const
    {
        return k == segmentCount() - 1 ? bounds.back() : bounds[size_t(k) + 1] + opt.tailFrames;
    }

    void workerLoop();
    void mixSegment(int k, std::vector<float>& left, std::vector<float>& right);
    int64_t chooseSplice(const EncodedSegment& a, const EncodedSegment& b, int64_t boundary);

    Options opt;
    const CancelToken* cancel;
    CodecParametersPtr params;
    MixSource mixer;
    int64_t totalSamples = 0;
    std::vector<int64_t> bounds; // segment k covers packets [bounds[k], bounds[k+1])

    // Mixer state: touched only by the worker whose turn it is.
    std::vector<float> carryLeft, carryRight; // the last samples mixed, for the next segment's warm-up

    std::mutex mutex;
    std::condition_variable wake;
    CancelToken::Waker wakeOnCancel;
    std::atomic<bool> stop {false};
    int nextClaim = 0;
    int mixTurn = 0;
    int current = 0; // segment the consumer is emitting
    std::map<int, EncodedSegment> finished;
    std::exception_ptr error;
    std::vector<std::thread> workers;

    // Consumer state.
    int64_t emitFrom = 0;
    int64_t emitTo = -1;
    size_t cursor = 0;
    std::atomic<int> seams {0};
    std::atomic<int> unmatchedSeams {0};
};

MixedAudioEncoder::Impl::Impl(const MixPlan& plan, const CancelToken* cancel_, const Options& options)
    : opt(options)
    , cancel(cancel_)
    , mixer(plan, cancel_)
    , wakeOnCancel(cancel_, [this] {
        std::lock_guard lock(mutex);
        wake.notify_all();
    })
{
    opt.warmupFrames = std::max(2, opt.warmupFrames);
    opt.tailFrames = std::max(2, opt.tailFrames);
    opt.threads = std::max(1, opt.threads);
    opt.segmentsAhead = std::max(2, opt.segmentsAhead);

    CodecContextPtr enc = openMixAacEncoder();
    params.reset(avcodec_parameters_alloc());
    if (!params)
        throwAvError("avcodec_parameters_alloc", AVERROR(ENOMEM));
    checkAv(avcodec_parameters_from_context(params.get(), enc.get()), "avcodec_parameters_from_context");

    totalSamples = mixer.totalFrames();
    const int64_t frames = (totalSamples + kAacFrameSize - 1) / kAacFrameSize;
    if (opt.segmentFrames <= 0) {
        // Long segments waste little on warm-up; a short mix still gets two
        // segments per thread so every core has work to the end.
        constexpr int64_t kLongSegment = 4096;
        opt.segmentFrames = int(std::clamp<int64_t>(frames / (2 * opt.threads), 1, kLongSegment));
    }
    opt.segmentFrames = std::max(opt.segmentFrames, 2 * (opt.warmupFrames + opt.tailFrames));
    // Segments of equal length (none shorter than asked, so every seam has a
    // full tail after it): the last one no longer keeps a core busy alone
    // while the other has finished.
    const int64_t segments = std::max<int64_t>(1, frames / opt.segmentFrames);
    for (int64_t k = 0; k < segments; ++k)
        bounds.push_back(k * frames / segments);
    bounds.push_back(frames);

    const int threads = int(std::min<int64_t>(opt.threads, segments));
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([this] { workerLoop(); });
}

MixedAudioEncoder::Impl::~Impl()
{
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    wake.notify_all();
    for (std::thread& t : workers)
        t.join();
}

void MixedAudioEncoder::Impl::mixSegment(int k, std::vector<float>& left, std::vector<float>& right)
{
    const int64_t begin = inputStartFrame(k) * kAacFrameSize;
    const int64_t end = std::min(inputEndFrame(k) * kAacFrameSize, totalSamples);
    const int64_t count = std::max<int64_t>(0, end - begin);
    left.resize(size_t(count));
    right.resize(size_t(count));

    // The warm-up overlaps the previous segment's tail, which is already mixed.
    const int64_t carried = std::clamp<int64_t>(mixer.position() - begin, 0, count);
    if (carried > 0) {
        const size_t from = carryLeft.size() - size_t(carried);
        std::memcpy(left.data(), carryLeft.data() + from, size_t(carried) * sizeof(float));
        std::memcpy(right.data(), carryRight.data() + from, size_t(carried) * sizeof(float));
    }
    mixer.render(left.data() + carried, right.data() + carried, count - carried);

    const int64_t keep = std::min<int64_t>(count, int64_t(opt.warmupFrames + opt.tailFrames) * kAacFrameSize);
    carryLeft.assign(left.end() - keep, left.end());
    carryRight.assign(right.end() - keep, right.end());
}

void MixedAudioEncoder::Impl::workerLoop()
{
    try {
        std::vector<float> left, right;
        for (;;) {
            int k = 0;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] {
                    return stop || nextClaim >= segmentCount() || nextClaim < current + opt.segmentsAhead;
                });
                if (stop || nextClaim >= segmentCount())
                    return;
                k = nextClaim++;
                // Songs are decoded front to back, so segments are mixed in order.
                wake.wait(lock, [&] { return stop || mixTurn == k; });
                if (stop)
                    return;
            }
            mixSegment(k, left, right);
            {
                std::lock_guard lock(mutex);
                ++mixTurn;
            }
            wake.notify_all();

            const bool last = k == segmentCount() - 1;
            EncodedSegment seg;
            seg.packets = encodeAacSegment(left.data(), right.data(), int64_t(left.size()),
                                           inputStartFrame(k) * kAacFrameSize, last,
                                           [this] { return stop.load() || cancelled(); });
            if (stop || cancelled())
                return;
            {
                std::lock_guard lock(mutex);
                finished.emplace(k, std::move(seg));
            }
            wake.notify_all();
        }
    } catch (...) {
        {
            std::lock_guard lock(mutex);
            if (!error)
                error = std::current_exception();
            stop = true;
        }
        wake.notify_all();
    }
}

int64_t MixedAudioEncoder::Impl::chooseSplice(const EncodedSegment& a, const EncodedSegment& b, int64_t boundary)
{
    ++seams;
    // Search outwards from the boundary: a little before it (the next encoder
    // is warm by then) up to the end of the previous encoder's tail.
    const int64_t earliest = boundary - opt.warmupFrames / 2 + 1;
    const int64_t latest = boundary + opt.tailFrames - 1;
    std::vector<int64_t> candidates {boundary};
    for (int64_t step = 1; boundary + step <= latest || boundary - step >= earliest; ++step) {
        if (boundary + step <= latest)
            candidates.push_back(boundary + step);
        if (boundary - step >= earliest)
            candidates.push_back(boundary - step);
    }
    for (const int64_t j : candidates) {
        if (!a.at(j - 1) || !b.at(j))
            continue;
        const auto wa = windowOf(a.at(j - 1));
        const auto wb = windowOf(b.at(j - 1));
        if (wa && wb && *wa == *wb)
            return j;
    }
    if (unmatchedSeams.fetch_add(1) == 0)
        qCWarning(lcMedia) << "AAC segment seam without matching windows near frame" << boundary
                   << "- spliced at the segment end";
    return boundary;
}

MixedAudioEncoder::MixedAudioEncoder(const MixPlan& plan, const CancelToken* cancel)
    : MixedAudioEncoder(plan, cancel, Options {})
{
}

MixedAudioEncoder::MixedAudioEncoder(const MixPlan& plan, const CancelToken* cancel, const Options& options)
    : d(std::make_unique<Impl>(plan, cancel, options))
{
}

MixedAudioEncoder::~MixedAudioEncoder() = default;

const AVCodecParameters* MixedAudioEncoder::codecParameters() const
{
    return d->params.get();
}

AVRational MixedAudioEncoder::timeBase() const
{
    return AVRational {1, kMixSampleRate};
}

std::vector<int64_t> MixedAudioEncoder::segmentStarts() const
{
    return {d->bounds.begin(), d->bounds.end() - 1};
}

int MixedAudioEncoder::seamCount() const
{
    return d->seams;
}

bool MixedAudioEncoder::nextPacket(AVPacket* out)
{
    Impl& s = *d;
    for (;;) {
        if (s.current >= s.segmentCount())
            return false;
        EncodedSegment* seg = nullptr;
        {
            std::unique_lock lock(s.mutex);
            const bool last = s.current == s.segmentCount() - 1;
            // A cancel wakes this wait; it outranks a worker's error, which
            // may be the cancel itself ending a read.
            s.wake.wait(lock, [&] {
                return s.error || s.cancelled()
                    || (s.finished.count(s.current) && (last || s.finished.count(s.current + 1)));
            });
            if (s.cancelled()) {
                s.stop = true;
                lock.unlock();
                s.wake.notify_all();
                throw CancelledError();
            }
            if (s.error)
                std::rethrow_exception(s.error);
            seg = &s.finished.at(s.current);
            if (s.emitTo < 0)
                s.emitTo = last ? std::numeric_limits<int64_t>::max()
                                : s.chooseSplice(*seg, s.finished.at(s.current + 1), s.bounds[size_t(s.current) + 1]);
        }
        while (s.cursor < seg->packets.size()) {
            AVPacket* p = seg->packets[s.cursor++].get();
            const int64_t j = packetIndex(p);
            if (j < s.emitFrom)
                continue;
            if (j >= s.emitTo) {
                s.cursor = seg->packets.size();
                break;
            }
            av_packet_unref(out);
            av_packet_move_ref(out, p);
            return true;
        }
        {
            std::lock_guard lock(s.mutex);
            s.finished.erase(s.current);
            ++s.current;
            s.emitFrom = s.emitTo;
            s.emitTo = -1;
            s.cursor = 0;
        }
        s.wake.notify_all();
    }
}

} // namespace lc::media
