// The scheduler with scripted runs, a scripted thermal level and a clock the
// test advances.

#include "QueueTestKit.h"
#include "TestTools.h"

#include "services/TimeLeftEstimator.h"

#include <QTest>

namespace {

void storeJobs(QueueFixture& f, int count)
{
    for (int i = 0; i < count; ++i)
        f.storeJob(QStringLiteral("j%1").arg(i, 2, 10, QLatin1Char('0')));
}

} // namespace

class TestJobScheduler : public QObject {
    Q_OBJECT
private slots:
    void thermalLimitAndPriority_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("nice");
        QTest::newRow("nominal") << 0 << 3 << 0;
        QTest::newRow("fair") << 1 << 2 << 5;
        QTest::newRow("serious") << 2 << 1 << 10;
        QTest::newRow("critical: nothing starts, nothing pauses") << 3 << 0 << 19;
    }

    // The heat sets how many jobs run at once and the nice value of their
    // renders and every thread they start; the main thread keeps its own.
    void thermalLimitAndPriority()
    {
        QFETCH(int, level);
        QFETCH(int, starts);
        QFETCH(int, nice);
        const int mainNice = threadNice();
        if (mainNice > nice)
            QSKIP("the test runs above this nice value and may not lower it");
        QueueFixture f;
        f.setLevel(level);
        storeJobs(f, 4);
        JobService& s = f.start();

        QCOMPARE(f.started, (QStringList {"j00", "j01", "j02"}).mid(0, starts));
        QCOMPARE(s.activeJobsCount(), starts);
        QCOMPARE(s.isProcessing(), starts > 0);
        QVERIFY(!s.isQueuePaused());
        for (const QString& name : std::as_const(f.started)) {
            QCOMPARE(f.workerFor(name)->nice.load(), nice);
            QCOMPARE(f.workerFor(name)->childNice.load(), nice);
            QCOMPARE(f.job(name)->status(), JobStatus::processing);
            QCOMPARE(f.job(name)->statusMessage(), QStringLiteral("Initializing..."));
        }
        QCOMPARE(threadNice(), mainNice);
    }

    // A lower limit stops nothing; the next job waits until the running ones
    // are below it, and then runs at the new priority. Critical heat pauses
    // the running jobs until a re-check finds the machine cooler.
    void heatChangesWhileJobsRun()
    {
        QueueFixture f;
        storeJobs(f, 4);
        JobService& s = f.start();
        f.setLevel(2);
        QCOMPARE(s.activeJobsCount(), 3);
        f.workerFor("j00")->finishRun();
        f.workerFor("j01")->finishRun();
        QTRY_COMPARE(s.activeJobsCount(), 1);
        settle();
        QCOMPARE(f.started.size(), 3);
        f.workerFor("j02")->finishRun();
        QTRY_COMPARE(f.started.size(), 4);
        settle();
        QCOMPARE(f.workerFor("j03")->nice.load(), 10);
        QCOMPARE(s.batchCounter(), 3);

        f.setLevel(3);
        QVERIFY(s.isQueuePaused());
        QCOMPARE(f.job("j03")->status(), JobStatus::paused);
        f.clock.advance(f.timings.heatRecheckMs); // still critical: another wait
        settle();
        QVERIFY(s.isQueuePaused());
        QCOMPARE(f.started.size(), 4);
        f.setLevel(1); // a change during the wait starts nothing
        f.clock.advance(f.timings.heatRecheckMs - 1);
        settle();
        QCOMPARE(f.started.size(), 4);
        QVERIFY(s.isQueuePaused());
        f.clock.advance(1);
        QVERIFY(!s.isQueuePaused());
        QTRY_COMPARE(f.started.size(), 5);
        settle();
        QCOMPARE(f.workerFor("j03")->nice.load(), 5);
        QCOMPARE(f.job("j03")->status(), JobStatus::processing);
    }

    void restAfterTenFinishedJobs_data()
    {
        QTest::addColumn<bool>("heatDuringRest");
        QTest::newRow("cool") << false;
        QTest::newRow("critical during the rest") << true;
    }

    // The tenth finished job starts a rest: the jobs already started go on,
    // nothing new starts until it ends, and heat during it is acted on only then.
    void restAfterTenFinishedJobs()
    {
        QFETCH(bool, heatDuringRest);
        QueueFixture f;
        storeJobs(f, 12);
        JobService& s = f.start();
        for (int i = 0; i < 10; ++i) {
            const QString name = f.started.at(i);
            f.workerFor(name)->finishRun();
            QTRY_COMPARE(f.job(name)->status(), JobStatus::completed);
        }
        QVERIFY(s.isCoolingDown());
        QCOMPARE(s.batchCounter(), 0);
        QCOMPARE(f.started.size(), 12); // j10, j11 started before the tenth ended
        s.addJob(f.sourceFile("late.mov"), {}, QUrl::fromLocalFile(f.dir.path()));
        if (heatDuringRest)
            f.setLevel(3);
        settle();
        QCOMPARE(s.activeJobsCount(), 2);
        QVERIFY(!s.isQueuePaused());
        QCOMPARE(f.job("late")->status(), JobStatus::pending);

        f.clock.advance(f.timings.coolDownMs);
        QVERIFY(!s.isCoolingDown());
        QCOMPARE(s.isQueuePaused(), heatDuringRest);
        QCOMPARE(f.job("late")->status(), heatDuringRest ? JobStatus::pending : JobStatus::processing);
        QCOMPARE(f.job("j10")->status(), heatDuringRest ? JobStatus::paused : JobStatus::processing);
    }

    void timeLeft_data()
    {
        QTest::addColumn<QList<int>>("mixes"); // seconds of each job's mix, rendered in as many at full speed
        QTest::addColumn<bool>("mixKnown");
        QTest::addColumn<double>("slowFrom"); // past this fraction a run goes at half speed
        QTest::addColumn<int>("raisedAt"); // the second the limit of one job at a time goes up to 3
        QTest::newRow("constant rate") << QList<int> {600} << false << 2.0 << -1;
        QTest::newRow("rate halves midway") << QList<int> {600} << false << 0.5 << -1;
        QTest::newRow("three in turn, halving") << QList<int> {300, 300, 300} << false << 0.5 << -1;
        QTest::newRow("long mix after a short one") << QList<int> {200, 600} << true << 2.0 << -1;
        QTest::newRow("limit raised") << QList<int> {300, 300, 300, 300} << false << 2.0 << 150;
    }

    // A scripted queue reporting every second on an injected clock, checked
    // against when each run and the queue really end: hidden before 5 %, then
    // no step over a quarter of the time left (but where the limit changes),
    // and within 10 % from 20 % on at a pace that is known.
    void timeLeft()
    {
        QFETCH(QList<int>, mixes);
        QFETCH(bool, mixKnown);
        QFETCH(double, slowFrom);
        QFETCH(int, raisedAt);
        int now = 0, limit = 1;
        TimeLeftEstimator estimator([&now] { return qint64(now) * 1000; });
        struct Run { QUuid id = QUuid::createUuid(); double work = 0; int end = -1; };
        struct Seen { int run, second; double fraction; std::optional<double> left; };
        std::vector<Run> runs(mixes.size());
        QList<Seen> seen;
        QList<std::optional<double>> queue; // by second
        for (int next = 0; runs.back().end < 0; ++now) {
            limit = now == raisedAt ? 3 : limit;
            int running = 0;
            for (int i = 0; i < next; ++i) {
                Run& r = runs[i];
                r.work += r.end < 0 ? (r.work < slowFrom * mixes[i] ? 1 : 0.5) : 0;
                estimator.progressed(r.id, std::min(r.work / mixes[i], 1.0));
                if (mixKnown && r.work == 0.2 * mixes[i]) // as a render knows it, once its songs are measured
                    estimator.mixLengthKnown(r.id, mixes[i]);
                if (r.end < 0 && r.work >= mixes[i]) {
                    r.end = now;
                    estimator.jobEnded(r.id, true);
                }
                running += r.end < 0;
            }
            for (; next < int(runs.size()) && running < limit; ++next, ++running)
                estimator.jobStarted(runs[next].id);
            estimator.update();
            for (int i = 0; i < next; ++i)
                if (runs[i].end < 0)
                    seen.append({i, now, runs[i].work / mixes[i], estimator.secondsLeft(runs[i].id)});
            queue.append(estimator.queueSecondsLeft(int(runs.size()) - next, limit));
        }
        const auto steady = [](const std::optional<double>& before, const std::optional<double>& after) {
            const double expected = std::max(before.value_or(0) - 1, 0.0); // a second later
            return !before || (after && std::abs(*after - expected) <= 0.25 * std::max(expected, 8.0) + 1e-9);
        };
        const auto near = [](const std::optional<double>& left, int actual) {
            return left && std::abs(*left - actual) <= 0.1 * actual + 1e-9;
        };
        QHash<int, std::optional<double>> last;
        for (const Seen& s : seen) {
            const QByteArray where = QStringLiteral("run %1 at %2 s").arg(s.run).arg(s.second).toUtf8();
            QVERIFY2(s.fraction >= 0.05 || !s.left, where);
            QVERIFY2(steady(last[s.run], s.left), where);
            // 20 % in at a known pace: its own, or the one a finished run showed
            const bool settled = s.fraction >= 0.2 && (slowFrom > 1 || s.run > 0 || s.fraction >= slowFrom + 0.2);
            QVERIFY2(!settled || near(s.left, runs[s.run].end - s.second), where);
            last[s.run] = s.left;
        }
        if (mixes.count(mixes[0]) < mixes.size())
            return; // a mix longer than the ones before is news to the queue's estimate
        const int end = runs.back().end;
        for (int second = 1; second < end; ++second) {
            QVERIFY2(second == raisedAt || steady(queue[second - 1], queue[second]), qPrintable(QString::number(second)));
            const bool settled = second >= raisedAt && second >= (slowFrom > 1 ? 0.2 * mixes[0] : runs[0].end);
            QVERIFY2(!settled || near(queue[second], end - second), qPrintable(QString::number(second)));
        }
    }

    void recordsLeftByAnEarlierProcess()
    {
        QueueFixture f;
        f.storeJob("crashed", JobStatus::processing, 0.3f);
        MixJob* waiting = f.storeJob("waiting");
        f.storeJob("held", JobStatus::paused, 0.2f);
        f.storeJob("unknown")->setStatusValue(9); // a newer build's code, or a damaged row
        // From before output names were made unique: never runs beside its twin.
        f.storeJob("twin")->setOutputPath(waiting->outputPathOrEmpty());
        // Committed while the store could not record it: never rendered again.
        for (const auto& [name, status] : {std::pair {"saved", JobStatus::pending}, {"savedAtCrash", JobStatus::processing}}) {
            const QString movie = f.storeJob(name, status)->outputPathOrEmpty();
            QVERIFY(testtools::writeFile(movie, "movie") && testtools::writeFile(QString(movie).replace(".mp4", ".txt"), {}));
        }
        f.start();
        for (const char* name : {"saved", "savedAtCrash"})
            QCOMPARE(f.job(name)->statusMessage(), QStringLiteral("Finished"));
        QCOMPARE(f.job("crashed")->status(), JobStatus::failed);
        QCOMPARE(f.job("crashed")->statusMessage(), QStringLiteral("Interrupted"));
        QCOMPARE(f.job("crashed")->progress(), 0.3f);
        QCOMPARE(f.started, (QStringList {"waiting", "held", "unknown"}));

        // It runs like a pending job, to its end.
        f.workerFor("unknown")->finishRun();
        QTRY_COMPARE(f.job("unknown")->status(), JobStatus::completed);
        settle();
        QCOMPARE(f.started.size(), 3); // a free slot, but the twin's output is in use
        f.workerFor("waiting")->finishRun();
        QTRY_COMPARE(f.started, (QStringList {"waiting", "held", "unknown", "twin"}));
    }

    void queueFinishedBody_data()
    {
        QTest::addColumn<QStringList>("outcomes"); // per job: ok, fail, retry-ok (fails, retried, succeeds)
        QTest::addColumn<QString>("body");
        const QString ok = QStringLiteral("All jobs have been processed successfully.");
        QTest::newRow("all ok") << QStringList {"ok", "ok", "ok"} << ok;
        QTest::newRow("two failed") << QStringList {"fail", "ok", "fail"}
                                    << QStringLiteral("All jobs have been processed. 2 failed.");
        QTest::newRow("failure retried then ok") << QStringList {"ok", "retry-ok"} << ok;
    }

    void queueFinishedBody()
    {
        QFETCH(QStringList, outcomes);
        QFETCH(QString, body);
        QueueFixture f;
        f.storeJob("old-failure", JobStatus::failed, 0.25f); // from an earlier queue: not counted
        storeJobs(f, int(outcomes.size()));
        JobService& s = f.start();
        const QStringList names = f.started;
        QCOMPARE(names.size(), outcomes.size());

        // End them in reverse so the notification follows the last outcome.
        for (int i = int(outcomes.size()) - 1; i >= 0; --i) {
            ScriptedRender* w = f.workerFor(names[i]);
            if (outcomes[i] == "ok") {
                w->finishRun();
            } else {
                w->sendUpdate(0.5f, "Remuxing... 50%");
                w->failRun(RenderError::exportFailed("disk full"));
                QTRY_COMPARE(f.job(names[i])->status(), JobStatus::failed);
                QCOMPARE(f.job(names[i])->statusMessage(), QStringLiteral("Export error: disk full"));
                if (outcomes[i] == "retry-ok") {
                    f.job(names[i])->setStatus(JobStatus::pending);
                    s.processQueue();
                    QVERIFY(f.workerFor(names[i]) != w);
                    f.workerFor(names[i])->finishRun();
                }
            }
            QTRY_COMPARE(f.job(names[i])->status(), outcomes[i] == "fail" ? JobStatus::failed : JobStatus::completed);
        }
        settle();
        QCOMPARE(f.notifications.size(), 1);
        QCOMPARE(f.notifications[0].title, QStringLiteral("Queue Finished"));
        QCOMPARE(f.notifications[0].body, body);
        QCOMPARE(f.notifications[0].sound, NotificationService::defaultSound());
    }
};

QTEST_GUILESS_MAIN(TestJobScheduler)
#include "tst_job_scheduler.moc"
