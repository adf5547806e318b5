// The scheduler with scripted runs, a scripted thermal level and a clock the
// test advances.

#include "QueueTestKit.h"

#include <QSignalSpy>
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
        QTest::addColumn<TaskPriority>("priority");
        QTest::newRow("nominal") << 0 << 3 << TaskPriority::userInitiated;
        QTest::newRow("fair") << 1 << 2 << TaskPriority::medium;
        QTest::newRow("serious") << 2 << 1 << TaskPriority::utility;
        QTest::newRow("critical: nothing starts, nothing pauses") << 3 << 0 << TaskPriority::background;
        QTest::newRow("unknown level reads nominal") << 7 << 3 << TaskPriority::userInitiated;
    }

    void thermalLimitAndPriority()
    {
        QFETCH(int, level);
        QFETCH(int, starts);
        QFETCH(TaskPriority, priority);
        QueueFixture f;
        f.setLevel(level);
        storeJobs(f, 4);
        JobService& s = f.start();

        QCOMPARE(f.started, (QStringList {"j00", "j01", "j02"}).mid(0, starts));
        QCOMPARE(s.activeJobsCount(), starts);
        QCOMPARE(s.isProcessing(), starts > 0);
        QVERIFY(!s.isQueuePaused());
        for (const QString& name : std::as_const(f.started)) {
            QCOMPARE(f.workerFor(name)->priority, priority);
            QCOMPARE(f.job(name)->status(), JobStatus::processing);
            QCOMPARE(f.job(name)->statusMessage(), QStringLiteral("Initializing..."));
        }
        QCOMPARE(f.job("j03")->status(), JobStatus::pending);
    }

    // A lower limit stops nothing; the next job waits until the running ones
    // are below it, and then runs at the new priority.
    void lowerLimitLetsRunningJobsFinish()
    {
        QueueFixture f;
        storeJobs(f, 4);
        JobService& s = f.start();
        f.setLevel(2);
        QCOMPARE(s.activeJobsCount(), 3);
        for (const auto& run : f.runs)
            QCOMPARE(run->cancelCalls.load(), 0);
        f.workerFor("j00")->finishRun();
        f.workerFor("j01")->finishRun();
        QTRY_COMPARE(s.activeJobsCount(), 1);
        settle();
        QCOMPARE(f.started.size(), 3);
        QCOMPARE(f.job("j01")->status(), JobStatus::completed);
        f.workerFor("j02")->finishRun();
        QTRY_COMPARE(f.started.size(), 4);
        QCOMPARE(f.workerFor("j03")->priority, TaskPriority::utility);
        QCOMPARE(s.batchCounter(), 3);
    }

    void criticalPausesRunningJobsUntilCooler()
    {
        QueueFixture f;
        storeJobs(f, 2);
        JobService& s = f.start();
        f.setLevel(3);
        QVERIFY(s.isQueuePaused());
        QCOMPARE(s.activeJobsCount(), 0);
        QVERIFY(!s.isProcessing());
        for (const QString name : {"j00", "j01"}) {
            QCOMPARE(f.job(name)->status(), JobStatus::paused);
            QCOMPARE(f.job(name)->statusMessage(), QStringLiteral("Thermal Pause (machine too hot)"));
            QCOMPARE(f.workerFor(name)->cancelCalls.load(), 1);
        }

        f.setLevel(1); // a change during the wait starts nothing
        f.clock.advance(f.timings.heatRecheckMs - 1);
        settle();
        QCOMPARE(f.started.size(), 2);
        QVERIFY(s.isQueuePaused());

        f.clock.advance(1); // the re-check finds the machine cooler
        QVERIFY(!s.isQueuePaused());
        QTRY_COMPARE(f.started, (QStringList {"j00", "j01", "j00", "j01"}));
        QCOMPARE(f.workerFor("j00")->priority, TaskPriority::medium);
        QCOMPARE(f.job("j00")->status(), JobStatus::processing);
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

    void cancelledRunsAreNotCounted_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"cancel", "delete", "pause", "heat"})
            QTest::newRow(how) << how;
    }

    // However a run is stopped, it ends without counting as finished; its job
    // keeps the last progress (or is gone).
    void cancelledRunsAreNotCounted()
    {
        QFETCH(QString, how);
        QueueFixture f;
        f.storeJob("a");
        JobService& s = f.start();
        ScriptedRender* worker = f.workerFor("a");
        worker->sendUpdate(0.4f, "Remuxing... 40%");
        QTRY_COMPARE(f.job("a")->progress(), 0.4f);

        if (how == "cancel")
            s.cancelJob(f.job("a"));
        else if (how == "delete")
            s.deleteJob(f.job("a"));
        else if (how == "pause")
            s.pauseQueue();
        else
            f.setLevel(3);
        QCOMPARE(worker->cancelCalls.load(), 1);
        QCOMPARE(s.activeJobsCount(), 0);
        QVERIFY(!s.isProcessing());
        QTRY_VERIFY(worker->isReleased()); // the run unwound and was dropped
        QCOMPARE(s.batchCounter(), 0);
        QVERIFY(f.notifications.isEmpty());
        if (how == "delete")
            QCOMPARE(f.store->fetchCount().value_or(-1), 0);
        else
            QCOMPARE(f.job("a")->progress(), 0.4f);
    }

    void overallProgress_data()
    {
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QList<float>>("progresses");
        QTest::addColumn<int>("completed");
        QTest::addColumn<float>("expected");
        const int done = int(JobStatus::completed), failed = int(JobStatus::failed),
                  cancelled = int(JobStatus::cancelled);
        QTest::newRow("one completed, others partial")
            << QList<int> {done, failed, cancelled, failed} << QList<float> {1, 0.5f, 0, 0.25f} << 1 << 0.4375f;
        QTest::newRow("completed count 1 whatever their progress")
            << QList<int> {done, done} << QList<float> {0.2f, 0} << 2 << 1.0f;
        QTest::newRow("no jobs") << QList<int> {} << QList<float> {} << 0 << 0.0f;
    }

    void overallProgress()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(QList<float>, progresses);
        QFETCH(int, completed);
        QFETCH(float, expected);
        QueueFixture f;
        for (int i = 0; i < statuses.size(); ++i)
            f.storeJob(QStringLiteral("j%1").arg(i), JobStatus(statuses[i]), progresses[i]);
        JobService& s = f.start();
        QCOMPARE(s.totalJobCount(), statuses.size());
        QCOMPARE(s.completedJobCount(), completed);
        QCOMPARE(s.overallProgress(), expected);
    }

    void recordsLeftByAnEarlierProcess()
    {
        QueueFixture f;
        f.storeJob("crashed", JobStatus::processing, 0.3f);
        f.storeJob("waiting");
        f.storeJob("held", JobStatus::paused, 0.2f);
        f.storeJob("unknown")->setStatusValue(9); // a newer build's code, or a damaged row
        JobService& s = f.start();
        QCOMPARE(f.job("crashed")->status(), JobStatus::failed);
        QCOMPARE(f.job("crashed")->statusMessage(), QStringLiteral("Interrupted"));
        QCOMPARE(f.job("crashed")->progress(), 0.3f);
        QCOMPARE(f.started, (QStringList {"waiting", "held", "unknown"}));

        // It runs like a pending job and can then be cleared.
        f.workerFor("unknown")->finishRun();
        QTRY_COMPARE(f.job("unknown")->status(), JobStatus::completed);
        s.clearFinishedJobs();
        QCOMPARE(f.job("unknown"), nullptr);
    }

    void queueFinishedBody_data()
    {
        QTest::addColumn<QStringList>("outcomes"); // per job: ok, fail, retry-ok (fails, retried, succeeds)
        QTest::addColumn<QString>("body");
        const QString ok = QStringLiteral("All jobs have been processed successfully.");
        QTest::newRow("all ok") << QStringList {"ok", "ok", "ok"} << ok;
        QTest::newRow("two failed") << QStringList {"fail", "ok", "fail"}
                                    << QStringLiteral("All jobs have been processed. 2 failed.");
        QTest::newRow("last failed") << QStringList {"ok", "fail"}
                                     << QStringLiteral("All jobs have been processed. 1 failed.");
        QTest::newRow("failure retried then ok") << QStringList {"ok", "retry-ok"} << ok;
    }

    void queueFinishedBody()
    {
        QFETCH(QStringList, outcomes);
        QFETCH(QString, body);
        QueueFixture f;
        f.storeJob("old-failure", JobStatus::failed); // from an earlier queue: not counted
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
                w->failRun(RemuxError::exportFailed("disk full"));
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

    void observablesNotifyOnlyOnChange()
    {
        QueueFixture f;
        f.storeJob("a");
        JobService& s = f.start();
        QSignalSpy paused(&s, &JobService::isQueuePausedChanged);
        QSignalSpy total(&s, &JobService::totalJobCountChanged);
        QSignalSpy processing(&s, &JobService::isProcessingChanged);
        s.refreshStats();
        s.togglePause();
        s.pauseQueue();
        QCOMPARE(total.count(), 0);
        QCOMPARE(paused.count(), 1);
        QCOMPARE(processing.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestJobScheduler)
#include "tst_job_scheduler.moc"
