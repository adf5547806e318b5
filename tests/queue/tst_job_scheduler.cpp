// The scheduler with scripted workers and a scripted thermal level.

#include "QueueTestKit.h"

#include <QSignalSpy>
#include <QTest>

class TestJobScheduler : public QObject {
    Q_OBJECT
private slots:
    void thermalLimitAndPriority_data();
    void thermalLimitAndPriority();
    void fourthJobStartsWhenOneFinishes();
    void seriousWhileThreeRunStopsNothing();
    void criticalPausesRunningJobsUntilCooler();
    void criticalWithNothingRunningDoesNothing();
    void tenthFinishedJobStartsTheRest();
    void criticalDuringCoolDownWaitsForItsEnd();
    void cancelledRunsAreNotCounted_data();
    void cancelledRunsAreNotCounted();
    void overallProgress_data();
    void overallProgress();
    void recordsLeftByAnEarlierProcess();
    void queueFinishedBody_data();
    void queueFinishedBody();
    void observablesNotifyOnlyOnChange();
};

void TestJobScheduler::thermalLimitAndPriority_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("expectedStarts");
    QTest::addColumn<int>("priority");
    const QStringList all {"a", "b", "c"};
    QTest::newRow("nominal") << 0 << all << int(TaskPriority::userInitiated);
    QTest::newRow("fair") << 1 << all.mid(0, 2) << int(TaskPriority::medium);
    QTest::newRow("serious") << 2 << all.mid(0, 1) << int(TaskPriority::utility);
    QTest::newRow("critical") << 3 << QStringList() << -1;
    QTest::newRow("unknown level reads nominal") << 7 << all << int(TaskPriority::userInitiated);
}

void TestJobScheduler::thermalLimitAndPriority()
{
    QFETCH(int, level);
    QFETCH(QStringList, expectedStarts);
    QFETCH(int, priority);
    QueueFixture f;
    *f.level = level;
    f.thermal->updateThermalState();
    for (const char* name : {"a", "b", "c", "d"})
        f.storeJob(QString::fromLatin1(name));
    JobService& s = f.start();

    QCOMPARE(f.started, expectedStarts);
    QCOMPARE(s.activeJobsCount(), expectedStarts.size());
    QCOMPARE(s.isProcessing(), !expectedStarts.isEmpty());
    QVERIFY(!s.isQueuePaused());
    for (const QString& name : expectedStarts) {
        QCOMPARE(int(f.workerFor(name)->priority()), priority);
        QCOMPARE(f.job(name)->status(), JobStatus::processing);
        QCOMPARE(f.job(name)->statusMessage(), QStringLiteral("Initializing..."));
    }
    QCOMPARE(f.job("d")->status(), JobStatus::pending);
}

void TestJobScheduler::fourthJobStartsWhenOneFinishes()
{
    QueueFixture f;
    for (const char* name : {"a", "b", "c", "d"})
        f.storeJob(QString::fromLatin1(name));
    f.start();
    QCOMPARE(f.started, (QStringList {"a", "b", "c"}));

    f.workerFor("b")->finishRun();
    QTRY_COMPARE(f.started, (QStringList {"a", "b", "c", "d"}));
    QTRY_COMPARE(f.job("b")->status(), JobStatus::completed);
    QCOMPARE(f.service->activeJobsCount(), 3);
    QCOMPARE(f.service->batchCounter(), 1);
}

void TestJobScheduler::seriousWhileThreeRunStopsNothing()
{
    QueueFixture f;
    for (const char* name : {"a", "b", "c", "d"})
        f.storeJob(QString::fromLatin1(name));
    JobService& s = f.start();
    f.setLevel(2);
    QCOMPARE(f.runningWorkers(), 3);
    QCOMPARE(s.activeJobsCount(), 3);

    f.workerFor("a")->finishRun();
    f.workerFor("b")->finishRun();
    QTRY_COMPARE(s.activeJobsCount(), 1);
    settle();
    QCOMPARE(f.started.size(), 3); // one still runs: the limit of one is reached
    f.workerFor("c")->finishRun();
    QTRY_COMPARE(f.started.size(), 4);
    QCOMPARE(int(f.workerFor("d")->priority()), int(TaskPriority::utility));
}

void TestJobScheduler::criticalPausesRunningJobsUntilCooler()
{
    QueueFixture f;
    f.storeJob("a");
    f.storeJob("b");
    JobService& s = f.start();
    QCOMPARE(s.activeJobsCount(), 2);
    ScriptedRender* a = f.workerFor("a");
    ScriptedRender* b = f.workerFor("b");

    f.setLevel(3);
    QVERIFY(s.isQueuePaused());
    QCOMPARE(s.activeJobsCount(), 0);
    QVERIFY(!s.isProcessing());
    for (const char* name : {"a", "b"}) {
        QCOMPARE(f.job(name)->status(), JobStatus::paused);
        QCOMPARE(f.job(name)->statusMessage(), QStringLiteral("Thermal Pause (machine too hot)"));
    }
    QVERIFY(!a || a->cancelCalls == 1);
    QVERIFY(!b || b->cancelCalls == 1);

    f.setLevel(1); // a change during the wait starts nothing
    QCOMPARE(f.started.size(), 2);
    QVERIFY(s.isQueuePaused());

    QTRY_VERIFY(!s.isQueuePaused()); // the re-check finds the machine cooler
    QTRY_COMPARE(f.started, (QStringList {"a", "b", "a", "b"}));
    QCOMPARE(int(f.workerFor("a")->priority()), int(TaskPriority::medium));
    QCOMPARE(f.job("a")->status(), JobStatus::processing);
}

void TestJobScheduler::criticalWithNothingRunningDoesNothing()
{
    QueueFixture f;
    f.setLevel(3);
    JobService& s = f.start();
    s.addJob(f.sourceFile("a.mov"), {}, QUrl::fromLocalFile(f.dir.path()));
    settle();
    QVERIFY(f.started.isEmpty());
    QVERIFY(!s.isQueuePaused());
    QCOMPARE(f.job("a")->status(), JobStatus::pending);
}

// Finishes ten jobs one by one; the queue then rests.
static void finishTen(QueueFixture& f)
{
    for (int i = 0; i < 10; ++i) {
        const QString name = f.started.at(i);
        f.workerFor(name)->finishRun();
        QTRY_COMPARE(f.job(name)->status(), JobStatus::completed);
    }
}

void TestJobScheduler::tenthFinishedJobStartsTheRest()
{
    QueueFixture f;
    f.timings.coolDownMs = 1500;
    for (int i = 0; i < 12; ++i)
        f.storeJob(QStringLiteral("j%1").arg(i, 2, 10, QLatin1Char('0')));
    JobService& s = f.start();
    finishTen(f);
    QVERIFY(s.isCoolingDown());
    QCOMPARE(s.batchCounter(), 0);
    QCOMPARE(f.started.size(), 12); // j10, j11 started before the tenth ended
    QCOMPARE(s.activeJobsCount(), 2);

    s.addJob(f.sourceFile("late.mov"), {}, QUrl::fromLocalFile(f.dir.path()));
    settle(50);
    QCOMPARE(f.job("late")->status(), JobStatus::pending);
    QTRY_VERIFY(!s.isCoolingDown());
    QTRY_COMPARE(f.job("late")->status(), JobStatus::processing);
}

void TestJobScheduler::criticalDuringCoolDownWaitsForItsEnd()
{
    QueueFixture f;
    f.timings.coolDownMs = 1500;
    for (int i = 0; i < 12; ++i)
        f.storeJob(QStringLiteral("j%1").arg(i, 2, 10, QLatin1Char('0')));
    JobService& s = f.start();
    finishTen(f);
    QVERIFY(s.isCoolingDown());

    f.setLevel(3);
    QCOMPARE(s.activeJobsCount(), 2); // the scheduler returns before looking at the heat
    QVERIFY(!s.isQueuePaused());
    QTRY_VERIFY(!s.isCoolingDown());
    QTRY_VERIFY(s.isQueuePaused());
    QCOMPARE(s.activeJobsCount(), 0);
    QCOMPARE(f.job("j10")->statusMessage(), QStringLiteral("Thermal Pause (machine too hot)"));
}

void TestJobScheduler::cancelledRunsAreNotCounted_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel") << "cancel";
    QTest::newRow("delete") << "delete";
    QTest::newRow("pause") << "pause";
    QTest::newRow("heat") << "heat";
}

void TestJobScheduler::cancelledRunsAreNotCounted()
{
    QFETCH(QString, how);
    QueueFixture f;
    f.timings.heatRecheckMs = 60000;
    f.storeJob("a");
    JobService& s = f.start();
    QPointer<ScriptedRender> worker = f.workerFor("a");
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
    QTRY_VERIFY(worker->isReleased()); // the run unwound and was dropped
    QCOMPARE(s.batchCounter(), 0);
    QVERIFY(f.notifications.isEmpty());
    QCOMPARE(s.activeJobsCount(), 0);
    if (MixJob* job = f.job("a"))
        QCOMPARE(job->progress(), 0.4f);
}

void TestJobScheduler::overallProgress_data()
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

void TestJobScheduler::overallProgress()
{
    QFETCH(QList<int>, statuses);
    QFETCH(QList<float>, progresses);
    QFETCH(int, completed);
    QFETCH(float, expected);
    QueueFixture f;
    for (int i = 0; i < statuses.size(); ++i)
        f.storeJob(QStringLiteral("j%1").arg(i), JobStatus(statuses[i]), progresses[i]);
    JobService& s = f.start();
    s.refreshStats();
    QCOMPARE(s.totalJobCount(), statuses.size());
    QCOMPARE(s.completedJobCount(), completed);
    QCOMPARE(s.overallProgress(), expected);
}

void TestJobScheduler::recordsLeftByAnEarlierProcess()
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

void TestJobScheduler::queueFinishedBody_data()
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

void TestJobScheduler::queueFinishedBody()
{
    QFETCH(QStringList, outcomes);
    QFETCH(QString, body);
    QueueFixture f;
    f.storeJob("old-failure", JobStatus::failed); // from an earlier queue: not counted
    for (int i = 0; i < outcomes.size(); ++i)
        f.storeJob(QStringLiteral("j%1").arg(i));
    JobService& s = f.start();
    const QStringList names = f.started;
    QCOMPARE(names.size(), outcomes.size());

    // End them in reverse so the notification follows the last outcome.
    for (int i = outcomes.size() - 1; i >= 0; --i) {
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
                QTRY_VERIFY(f.workerFor(names[i]) && f.workerFor(names[i]) != w);
                f.workerFor(names[i])->finishRun();
            }
        }
        QTRY_COMPARE(f.job(names[i])->status(), outcomes[i] == "fail" ? JobStatus::failed : JobStatus::completed);
    }
    QTRY_COMPARE(f.notifications.size(), 1);
    settle();
    QCOMPARE(f.notifications.size(), 1);
    QCOMPARE(f.notifications[0].title, QStringLiteral("Queue Finished"));
    QCOMPARE(f.notifications[0].body, body);
    QCOMPARE(f.notifications[0].sound, NotificationService::defaultSound());
}

void TestJobScheduler::observablesNotifyOnlyOnChange()
{
    QueueFixture f;
    f.storeJob("a");
    JobService& s = f.start();
    QSignalSpy paused(&s, &JobService::isQueuePausedChanged);
    QSignalSpy total(&s, &JobService::totalJobCountChanged);
    QSignalSpy processing(&s, &JobService::isProcessingChanged);
    s.refreshStats();
    s.refreshStats();
    QCOMPARE(total.count(), 0);
    s.togglePause();
    s.pauseQueue();
    QCOMPARE(paused.count(), 1);
    QCOMPARE(processing.count(), 1);
    s.togglePause();
    QCOMPARE(paused.count(), 2);
    QTRY_VERIFY(s.isProcessing());
}

QTEST_GUILESS_MAIN(TestJobScheduler)
#include "tst_job_scheduler.moc"
