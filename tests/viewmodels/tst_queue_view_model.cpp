// The queue screen's own job actions: retrying one job and revealing a
// finished movie.

#include "../queue/QueueTestKit.h"

#include "viewmodels/QueueViewModel.h"

#include <QTest>

class TestQueueViewModel : public QObject {
    Q_OBJECT
private slots:
    void retryJob_data();
    void retryJob();
    void revealWithoutAMovieAsksNothing();
};

void TestQueueViewModel::retryJob_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("queuePaused");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("message");
    QTest::newRow("failed, queue running") << int(JobStatus::failed) << false << int(JobStatus::processing) << "";
    QTest::newRow("cancelled, queue paused") << int(JobStatus::cancelled) << true << int(JobStatus::pending)
                                             << "Waiting...";
    QTest::newRow("completed stays") << int(JobStatus::completed) << false << int(JobStatus::completed) << "kept";
    QTest::newRow("running is not restarted") << int(JobStatus::processing) << false << int(JobStatus::processing)
                                              << "kept";
}

void TestQueueViewModel::retryJob()
{
    QFETCH(int, before);
    QFETCH(bool, queuePaused);
    QFETCH(int, after);
    QFETCH(QString, message);
    QueueFixture f;
    // A job can only be running once the service has started it.
    const bool running = before == int(JobStatus::processing);
    MixJob* job = f.storeJob("clip", running ? JobStatus::pending : JobStatus(before), 0.6f);
    JobService& service = f.start();
    QCOMPARE(int(job->status()), before);
    job->setStatusMessage("kept");
    if (queuePaused)
        service.pauseQueue();
    QueueViewModel vm(service, *f.store, *f.thermal, {});
    const int runsBefore = int(f.runs.size());

    vm.retryJob(job);
    settle();

    QCOMPARE(int(job->status()), after);
    if (!message.isEmpty())
        QCOMPARE(job->statusMessage(), message);
    const bool restarted = after == int(JobStatus::processing) && before != after;
    QCOMPARE(int(f.runs.size()) - runsBefore, restarted ? 1 : 0);
    if (after == int(JobStatus::pending))
        QCOMPARE(job->progress(), 0.0f);
}

// A record without a movie path has nothing to show; the stored path of one
// with a movie is revealed by the queue screen's own test.
void TestQueueViewModel::revealWithoutAMovieAsksNothing()
{
    QueueFixture f;
    MixJob* job = f.storeJob("clip", JobStatus::completed);
    job->setOutputPath(std::nullopt);
    bool asked = false;
    QueueViewModel vm(f.start(), *f.store, *f.thermal, [&asked](const QUrl&) { asked = true; });
    vm.openInFinder(job);
    QVERIFY(!asked);
}

QTEST_GUILESS_MAIN(TestQueueViewModel)
#include "tst_queue_view_model.moc"
