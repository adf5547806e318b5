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
#include <deque>
#include <exception>
#include <map>
#include <memory>
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

// Mixed PCM for the samples [first, end()) of the mix.
struct PcmChunk {
    int64_t first = 0;
    std::vector<float> left, right;
    int64_t end() const { return first + int64_t(left.size()); }
};

// The part [begin, end) of a chunk a segment has still to read.
struct PcmView {
    std::shared_ptr<const PcmChunk> chunk;
    int64_t begin = 0, end = 0;
};

// Mixed a little ahead of the encoders, in pieces small enough to be
// dropped soon after both readers are past them.
constexpr int64_t kMixChunk = 32 * kAacFrameSize;

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

    int64_t inputStartSample(int k) const { return inputStartFrame(k) * kAacFrameSize; }
    int64_t inputEndSample(int k) const { return std::min(inputEndFrame(k) * kAacFrameSize, totalSamples); }

    void cutSegments();
    void workerLoop();
    void openFeed(int k);
    void mixChunk(int64_t until);
    int64_t readMix(int k, int64_t& position, float* left, float* right, int64_t max);
    int64_t chooseSplice(const EncodedSegment& a, const EncodedSegment& b, int64_t boundary);

    Options opt;
    const CancelToken* cancel;
    CodecParametersPtr params;
    MixSource mixer;
    int64_t totalSamples = 0;
    std::vector<int64_t> bounds; // segment k covers packets [bounds[k], bounds[k+1])

    // The songs are decoded front to back, so the mix is made once, in
    // order, a chunk at a time as the encoders ask for it: by one thread at
    // a time, under mixerMutex. Every claimed segment is fed the chunks of its
    // input it has not read yet; the latest chunks stay for the warm-up of the
    // next segment, which overlaps the end of this one. A segment's PCM is
    // therefore held only between the mixer and the encoder reading it, never
    // whole. The feeds are under feedMutex, held only to hand chunks over: an
    // encoder with mixed PCM waiting in its feed copies it while the other
    // one mixes, rather than waiting for the mixer.
    std::mutex mixerMutex;
    std::mutex feedMutex;
    int64_t mixedUntil = 0; // the end of the last chunk handed to the feeds
    // Chunks read by both encoders are given back here rather than freed, so
    // the same few buffers go round instead of fragmenting two threads' heaps.
    // Under spareMutex alone: the last reference to a chunk may go anywhere.
    std::mutex spareMutex;
    std::vector<std::unique_ptr<PcmChunk>> spareChunks;
    std::map<int, std::deque<PcmView>> feeds;
    std::deque<std::shared_ptr<const PcmChunk>> recent;
    // A mix that failed or was cancelled part-way through a chunk has moved
    // past what the feeds hold, so it is not read again: the other encoder
    // ends its segment and the failure is reported by the one that met it.
    bool mixBroken = false;

    std::mutex mutex;
    std::condition_variable wake;
    CancelToken::Waker wakeOnCancel;
    std::atomic<bool> stop {false};
    int nextClaim = 0;
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
    cutSegments();
    const int threads = int(std::min<int64_t>(opt.threads, segmentCount()));
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

void MixedAudioEncoder::Impl::cutSegments()
{
    const int64_t frames = (totalSamples + kAacFrameSize - 1) / kAacFrameSize;
    if (opt.segmentFrames <= 0) {
        // Long segments waste little on warm-up; a short mix still gets two
        // segments per thread so every core has work to the end.
        constexpr int64_t kLongSegment = 4096;
        opt.segmentFrames = int(std::clamp<int64_t>(frames / (2 * opt.threads), 1, kLongSegment));
    }
    const int64_t shortest = 2 * (opt.warmupFrames + opt.tailFrames);
    opt.segmentFrames = int(std::max<int64_t>(opt.segmentFrames, shortest));
    // Segments of equal length (none shorter than asked, so every seam has a
    // full tail after it): the last one no longer keeps a core busy alone
    // while the other has finished.
    const int64_t segments = std::max<int64_t>(1, frames / opt.segmentFrames);
    // With the first and the last segment half as long, two encoders run half
    // a segment apart: when one starts a segment the other is halfway through
    // its own, so only half a segment's PCM waits for it, and both still end
    // together.
    const bool staggered = opt.threads > 1 && segments > 1 && frames / segments >= 2 * shortest;
    bounds.push_back(0);
    for (int64_t k = staggered ? 0 : 1; k < segments; ++k)
        bounds.push_back(staggered ? (2 * k + 1) * frames / (2 * segments) : k * frames / segments);
    bounds.push_back(frames);
}

void MixedAudioEncoder::Impl::openFeed(int k)
{
    std::deque<PcmView>& feed = feeds[k];
    for (const std::shared_ptr<const PcmChunk>& chunk : recent) {
        const int64_t begin = std::max(inputStartSample(k), chunk->first);
        const int64_t end = std::min(inputEndSample(k), chunk->end());
        if (begin < end)
            feed.push_back({chunk, begin, end});
    }
}

// Mixes the next chunk (under mixerMutex) and hands it to the feeds.
void MixedAudioEncoder::Impl::mixChunk(int64_t until)
{
    std::unique_ptr<PcmChunk> buffer;
    {
        std::lock_guard lock(spareMutex);
        if (!spareChunks.empty()) {
            buffer = std::move(spareChunks.back());
            spareChunks.pop_back();
        }
    }
    if (!buffer)
        buffer = std::make_unique<PcmChunk>();
    const std::shared_ptr<PcmChunk> chunk(buffer.release(), [this](PcmChunk* done) {
        std::lock_guard lock(spareMutex);
        spareChunks.emplace_back(done);
    });
    chunk->first = mixer.position();
    const int64_t count = std::clamp<int64_t>(until - chunk->first, 0, kMixChunk);
    chunk->left.resize(size_t(count));
    chunk->right.resize(size_t(count));
    try {
        mixer.render(chunk->left.data(), chunk->right.data(), count);
    } catch (...) {
        std::lock_guard lock(feedMutex);
        mixBroken = true;
        throw;
    }
    std::lock_guard lock(feedMutex);
    for (auto& [k, feed] : feeds) {
        const int64_t begin = std::max(inputStartSample(k), chunk->first);
        const int64_t end = std::min(inputEndSample(k), chunk->end());
        if (begin < end)
            feed.push_back({chunk, begin, end});
    }
    recent.push_back(chunk);
    mixedUntil = chunk->end();
    // Segments are claimed in order and read no further than their input's
    // end, so a segment not claimed yet can have missed at most its warm-up
    // and its predecessor's tail.
    const int64_t overlap = int64_t(opt.warmupFrames + opt.tailFrames) * kAacFrameSize;
    while (recent.size() > 1 && chunk->end() - recent[1]->first >= overlap)
        recent.pop_front();
}

int64_t MixedAudioEncoder::Impl::readMix(int k, int64_t& position, float* left, float* right, int64_t max)
{
    const int64_t end = inputEndSample(k);
    const int64_t wanted = std::min(max, end - position);
    if (wanted <= 0)
        return 0;
    // Checked again once the mixer is ours: the other encoder may have mixed
    // past this read meanwhile.
    const auto ready = [&] {
        std::lock_guard lock(feedMutex);
        return mixBroken || mixedUntil >= position + wanted;
    };
    while (!ready()) {
        std::lock_guard mixing(mixerMutex);
        if (!ready())
            mixChunk(end);
    }
    // The views keep their chunks alive: copied outside the lock.
    std::vector<PcmView> views;
    {
        std::lock_guard lock(feedMutex);
        if (mixBroken)
            return 0;
        std::deque<PcmView>& feed = feeds.at(k);
        for (int64_t taken = 0; taken < wanted;) {
            PcmView& view = feed.front();
            const int64_t n = std::min(wanted - taken, view.end - view.begin);
            views.push_back({view.chunk, view.begin, view.begin + n});
            view.begin += n;
            taken += n;
            if (view.begin == view.end)
                feed.pop_front();
        }
    }
    int64_t done = 0;
    for (const PcmView& view : views) {
        const int64_t n = view.end - view.begin;
        const size_t from = size_t(view.begin - view.chunk->first);
        std::memcpy(left + done, view.chunk->left.data() + from, size_t(n) * sizeof(float));
        std::memcpy(right + done, view.chunk->right.data() + from, size_t(n) * sizeof(float));
        done += n;
    }
    position += done;
    return done;
}

void MixedAudioEncoder::Impl::workerLoop()
{
    try {
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
                // Under both locks: no chunk of this segment's input is handed
                // over between the claim and its feed.
                std::lock_guard feedLock(feedMutex);
                openFeed(k);
            }
            int64_t position = inputStartSample(k);
            const PcmReader read = [&](float* left, float* right, int64_t max) {
                return readMix(k, position, left, right, max);
            };
            const bool last = k == segmentCount() - 1;
            EncodedSegment seg;
            seg.packets = encodeAacSegment(read, inputStartSample(k), last,
                                           [this] { return stop.load() || cancelled(); });
            {
                std::lock_guard feedLock(feedMutex);
                feeds.erase(k);
            }
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
