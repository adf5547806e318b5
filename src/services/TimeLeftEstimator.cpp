#include "services/TimeLeftEstimator.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <vector>

namespace {

// A run jumps to 5 % as it starts (before any song is measured), so its own
// rate is measured from there on, and nothing is shown below it.
constexpr double kShowFrom = 0.05;
// How far back the own rate looks, in shares of a run's time: far enough to
// even out the export's bursts, near enough to follow a run that slows down.
constexpr double kWindow = 0.2;
// From 5 % to here the run's own rate takes over from the session's.
constexpr double kOwnRateFrom = 0.30;
// Each new estimate moves at most this share of the time left, and at least
// this share of a few seconds, so a figure that reached zero too early can
// still climb.
constexpr double kMaxStep = 0.25;
constexpr double kStepFloorSeconds = 8;

} // namespace

TimeLeftEstimator::TimeLeftEstimator(Clock clock) : m_clock(std::move(clock)) {}

void TimeLeftEstimator::jobStarted(const QUuid& job)
{
    Run run;
    run.startMs = run.updatedMs = m_clock();
    m_runs.insert(job, run);
}

void TimeLeftEstimator::mixLengthKnown(const QUuid& job, double mixSeconds)
{
    if (const auto it = m_runs.find(job); it != m_runs.end() && mixSeconds > 0)
        it->mixSeconds = mixSeconds;
}

// Reports that do not advance are left out, so a stall counts from the last
// step forward.
void TimeLeftEstimator::progressed(const QUuid& job, double fraction)
{
    const auto it = m_runs.find(job);
    if (it == m_runs.end() || fraction <= it->fraction)
        return;
    it->fraction = std::min(fraction, 1.0);
    it->samples.push_back({m_clock(), it->fraction});
}

void TimeLeftEstimator::jobEnded(const QUuid& job, bool completed)
{
    const auto it = m_runs.find(job);
    if (it == m_runs.end())
        return;
    if (completed) {
        const qint64 endMs = m_clock();
        const double seconds = double(endMs - it->startMs) / 1000;
        learnTimeShares(*it, endMs);
        ++m_finishedRuns;
        m_finishedSeconds += seconds;
        if (it->mixSeconds) {
            m_mixedSeconds += *it->mixSeconds;
            m_mixingWallSeconds += seconds;
        }
    }
    m_runs.erase(it);
}

// The time passed at each report of the run, as a share of its duration,
// averaged with what the runs before taught. Kept at the reports themselves
// rather than on a grid: a run may wait seconds between two reports a
// thousandth apart (the encoder starting up).
void TimeLeftEstimator::learnTimeShares(const Run& run, qint64 endMs)
{
    const double duration = double(std::max<qint64>(endMs - run.startMs, 1));
    std::vector<TimeShare> shares {{0, 0}};
    for (const Sample& sample : run.samples)
        shares.push_back({sample.fraction, double(sample.ms - run.startMs) / duration});
    shares.push_back({1, 1});
    for (TimeShare& point : shares) {
        if (!m_timeShares.empty())
            point.share = (timeShareAt(point.fraction) * m_finishedRuns + point.share) / (m_finishedRuns + 1);
    }
    m_timeShares = std::move(shares);
}

double TimeLeftEstimator::timeShareAt(double fraction) const
{
    if (m_timeShares.empty())
        return fraction;
    const auto after = std::upper_bound(m_timeShares.begin(), m_timeShares.end(), fraction,
                                        [](double f, const TimeShare& point) { return f < point.fraction; });
    if (after == m_timeShares.end())
        return 1;
    const TimeShare& before = *(after - 1);
    return before.share + (after->share - before.share) * (fraction - before.fraction) / (after->fraction - before.fraction);
}

// The rate over the window, in shares of a run's time, carried on to now.
// Between reports the run is taken to go on at that rate, but never more
// than one report's step past the last one: a run that stalls gets slower,
// and its estimate grows.
std::optional<double> TimeLeftEstimator::ownEstimate(const Run& run, qint64 now) const
{
    if (run.samples.empty())
        return std::nullopt;
    const Sample& last = run.samples.back();
    const double lastShare = timeShareAt(last.fraction);
    double step = 0;
    size_t base = run.samples.size() - 1;
    while (base > 0 && run.samples[base - 1].fraction >= kShowFrom
           && timeShareAt(run.samples[base].fraction) > lastShare - kWindow) {
        step = std::max(step, timeShareAt(run.samples[base].fraction) - timeShareAt(run.samples[base - 1].fraction));
        --base;
    }
    const double baseShare = timeShareAt(run.samples[base].fraction);
    if (last.ms <= run.samples[base].ms || lastShare <= baseShare)
        return std::nullopt;
    const double perMs = (lastShare - baseShare) / double(last.ms - run.samples[base].ms);
    const double reached
        = std::min({lastShare + perMs * double(std::max<qint64>(now - last.ms, 0)), lastShare + step, 1.0});
    const double perMsNow = (reached - baseShare) / double(std::max(now, last.ms) - run.samples[base].ms);
    return (1 - reached) / perMsNow / 1000;
}

// A whole run as long as the session's earlier ones took: by the mix's
// length once it is known, else as long as their average.
std::optional<double> TimeLeftEstimator::carriedEstimate(const Run& run) const
{
    double whole = 0;
    if (run.mixSeconds && m_mixedSeconds > 0)
        whole = *run.mixSeconds * m_mixingWallSeconds / m_mixedSeconds;
    else if (m_finishedRuns > 0)
        whole = m_finishedSeconds / m_finishedRuns;
    else
        return std::nullopt;
    return whole * (1 - timeShareAt(run.fraction));
}

std::optional<double> TimeLeftEstimator::rawEstimate(const Run& run, qint64 now) const
{
    const std::optional<double> own = ownEstimate(run, now);
    const std::optional<double> carried = carriedEstimate(run);
    if (!own || !carried)
        return own ? own : carried;
    const double weight = std::clamp((run.fraction - kShowFrom) / (kOwnRateFrom - kShowFrom), 0.0, 1.0);
    return weight * *own + (1 - weight) * *carried;
}

void TimeLeftEstimator::update()
{
    const qint64 now = m_clock();
    for (Run& run : m_runs)
        updateRun(run, now);
}

void TimeLeftEstimator::updateRun(Run& run, qint64 now)
{
    const std::optional<double> raw = rawEstimate(run, now);
    const double since = double(now - run.updatedMs) / 1000;
    if (run.shown) {
        const double expected = std::max(*run.shown - since, 0.0);
        const double step = kMaxStep * std::max(expected, kStepFloorSeconds);
        run.shown = raw ? std::clamp(*raw, std::max(expected - step, 0.0), expected + step) : expected;
    } else if (raw && run.raw && run.fraction >= kShowFrom
               && std::abs(*raw - (*run.raw - since)) <= kMaxStep * *raw) {
        run.shown = raw;
    }
    run.raw = raw;
    run.updatedMs = now;
}

std::optional<double> TimeLeftEstimator::secondsLeft(const QUuid& job) const
{
    const auto it = m_runs.constFind(job);
    return it == m_runs.cend() ? std::nullopt : it->shown;
}

// How long a job not started yet will take: as the finished ones did, or
// else as the running ones are expected to.
std::optional<double> TimeLeftEstimator::typicalRunSeconds() const
{
    if (m_finishedRuns > 0)
        return m_finishedSeconds / m_finishedRuns;
    double sum = 0;
    int count = 0;
    for (const Run& run : m_runs) {
        if (run.shown) {
            sum += double(run.updatedMs - run.startMs) / 1000 + *run.shown;
            ++count;
        }
    }
    return count > 0 ? std::optional(sum / count) : std::nullopt;
}

std::optional<double> TimeLeftEstimator::queueSecondsLeft(int pendingJobs, int jobsAtOnce) const
{
    // When each busy slot frees up, soonest first. A run not shown yet is
    // taken as long as a typical one.
    const std::optional<double> each = typicalRunSeconds();
    std::priority_queue<double, std::vector<double>, std::greater<>> busy;
    double end = 0;
    for (const Run& run : m_runs) {
        std::optional<double> left = run.shown ? run.shown : carriedEstimate(run);
        if (!left && each)
            left = *each * (1 - timeShareAt(run.fraction));
        if (!left)
            return std::nullopt;
        busy.push(*left);
        end = std::max(end, *left);
    }
    if (pendingJobs <= 0)
        return m_runs.isEmpty() ? std::nullopt : std::optional(end);
    if (!each || jobsAtOnce <= 0)
        return std::nullopt;
    // A waiting job starts as soon as fewer than the limit run (the running
    // ones go on even above a limit that was lowered).
    double at = 0;
    for (int i = 0; i < pendingJobs; ++i) {
        while (int(busy.size()) >= jobsAtOnce) {
            at = std::max(at, busy.top());
            busy.pop();
        }
        busy.push(at + *each);
        end = std::max(end, at + *each);
    }
    return end;
}

QString TimeLeftEstimator::format(double seconds)
{
    const qint64 s = qint64(std::ceil(std::max(seconds, 0.0)));
    if (s >= 3600)
        return QString::asprintf("%lld:%02lld:%02lld", s / 3600, s % 3600 / 60, s % 60);
    return QString::asprintf("%lld:%02lld", s / 60, s % 60);
}
