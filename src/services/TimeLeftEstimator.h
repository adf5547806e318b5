#pragma once
// TimeLeftEstimator: how long each running job, and the whole queue, still
// take, from the throughput measured in this session. A job's own rate is
// measured over its latest stretch of progress; early in a run, and for jobs
// not started yet, the runs this session already finished fill in: in
// mixed-audio seconds per wall second once the mix's length is known (a
// long mix is not taken for a short one), else as a whole run's duration.
// Progress does not advance evenly (the songs are measured quickly, the
// export takes most of a run), so finished runs also teach how much of a
// run's time has passed at each fraction, and rates are measured in that.
// A job's estimate is shown once it is past 5 % and two successive
// estimates agree; from then on each new one moves at most a quarter of the
// time left, so the figure counts down instead of jumping with every report.
// Plain logic on an injected steady clock; the caller takes a new estimate
// (update()) as often as it shows one, once a second in the app.

#include <QHash>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

class TimeLeftEstimator {
public:
    using Clock = std::function<qint64()>; // steady milliseconds

    explicit TimeLeftEstimator(Clock clock);

    // A run of `job` starts; whatever an earlier run of it measured is dropped.
    void jobStarted(const QUuid& job);
    void mixLengthKnown(const QUuid& job, double mixSeconds);
    void progressed(const QUuid& job, double fraction);
    // A completed run teaches the session's throughput; any other end only
    // forgets the run.
    void jobEnded(const QUuid& job, bool completed);

    // Takes a new estimate of every running job.
    void update();

    // The time left of a running job as last updated; nothing while hidden.
    std::optional<double> secondsLeft(const QUuid& job) const;
    // Until the running jobs and `pendingJobs` more are done, the pending
    // ones `jobsAtOnce` at a time; nothing while any part cannot be told
    // (or the queue would never end).
    std::optional<double> queueSecondsLeft(int pendingJobs, int jobsAtOnce) const;

    // "0:41", "12:05", "1:02:05": whole seconds, rounded up.
    static QString format(double seconds);

private:
    struct Sample {
        qint64 ms;
        double fraction;
    };
    struct Run {
        qint64 startMs = 0;
        std::optional<double> mixSeconds;
        double fraction = 0;
        std::vector<Sample> samples; // every advance
        std::optional<double> raw;  // the last estimate taken, shown or not
        std::optional<double> shown;
        qint64 updatedMs = 0;       // when both were taken
    };

    std::optional<double> ownEstimate(const Run& run, qint64 now) const;
    std::optional<double> carriedEstimate(const Run& run) const;
    std::optional<double> rawEstimate(const Run& run, qint64 now) const;
    void updateRun(Run& run, qint64 now);
    std::optional<double> typicalRunSeconds() const;
    double timeShareAt(double fraction) const;
    void learnTimeShares(const Run& run, qint64 endMs);

    Clock m_clock;
    QHash<QUuid, Run> m_runs;
    // The finished runs of this session.
    int m_finishedRuns = 0;
    double m_finishedSeconds = 0;
    double m_mixedSeconds = 0;       // the mixes of those runs whose length was known
    double m_mixingWallSeconds = 0;  // the wall time of those runs
    // The share of a run's time passed by each fraction of progress, over
    // the finished runs (none before the first), by rising fraction.
    struct TimeShare {
        double fraction;
        double share;
    };
    std::vector<TimeShare> m_timeShares;
};
