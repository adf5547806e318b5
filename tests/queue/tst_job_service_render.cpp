// The queue with real workers on short generated media: control during a
// render, and three jobs from addJob to movies and tracklists.

#include "QueueTestKit.h"

#include "TestTools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QTest>

namespace {
constexpr double kSongSeconds = 60;
constexpr double kCrossfade = 3;
constexpr double kMixSeconds = 3 * kSongSeconds - 2 * kCrossfade;
}

class TestJobServiceRender : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void controlDuringRender_data();
    void controlDuringRender();
    void threeJobsEndToEnd();
    void badInputsFailBeforeMixing_data();
    void badInputsFailBeforeMixing();

private:
    QTemporaryDir m_media;
    QList<QUrl> m_songs;
    QUrl sourceClip(const QString& name);
    JobService& startReal(QueueFixture& f);
    static QStringList leftovers(const QString& folder);
};

void TestJobServiceRender::initTestCase()
{
    QString error;
    for (int i = 0; i < 3; ++i) {
        const QString path = m_media.filePath(QStringLiteral("%1 Song.wav").arg(i + 1));
        QVERIFY2(testtools::makeTone(path, kSongSeconds, 330 + 110 * i, 44100, {}, &error), qPrintable(error));
        m_songs << QUrl::fromLocalFile(path);
    }
}

QUrl TestJobServiceRender::sourceClip(const QString& name)
{
    const QString path = m_media.filePath(name);
    QString error;
    if (!QFileInfo::exists(path) && !testtools::makeClip(path, 2, 160, 120, 25, {"-c:v", "libx264", "-bf", "2"}, &error))
        qWarning("clip: %s", qPrintable(error));
    return QUrl::fromLocalFile(path);
}

JobService& TestJobServiceRender::startReal(QueueFixture& f)
{
    f.settings->setCrossfadeDuration(kCrossfade);
    f.service = std::make_unique<JobService>(*f.store, *f.settings, *f.thermal, RenderEngineFactory(), f.timings);
    return *f.service;
}

// Files in the output folder that are neither a movie nor a tracklist we expect.
QStringList TestJobServiceRender::leftovers(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

void TestJobServiceRender::controlDuringRender_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("cancel") << "cancel";
    QTest::newRow("delete") << "delete";
    QTest::newRow("pause, then resume") << "pause";
}

void TestJobServiceRender::controlDuringRender()
{
    QFETCH(QString, action);
    QueueFixture f;
    JobService& s = startReal(f);
    const QString outFolder = f.dir.filePath("out");
    QDir().mkpath(outFolder);
    s.addJob(sourceClip("clip.mp4"), m_songs, QUrl::fromLocalFile(outFolder));
    MixJob* job = f.store->fetch()->first();
    const QString output = job->outputPathOrEmpty();
    const QUuid id = job->id();

    // Act inside the progress update that crosses 40 %: the export is under way.
    QElapsedTimer sinceAction;
    bool acted = false;
    QObject::connect(job, &MixJob::progressChanged, &s, [&] {
        if (acted || job->progress() < 0.4f)
            return;
        acted = true;
        sinceAction.start();
        if (action == "cancel")
            s.cancelJob(job);
        else if (action == "delete")
            s.deleteJob(job);
        else
            s.pauseQueue();
    });
    QTRY_VERIFY_WITH_TIMEOUT(acted, 30000);
    QCOMPARE(s.activeJobsCount(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!s.hasLiveRuns(), 5000); // the run reported its stop
    QVERIFY2(sinceAction.elapsed() < 1000, qPrintable(QString::number(sinceAction.elapsed())));
    QVERIFY(!QFileInfo::exists(output));
    QCOMPARE(leftovers(outFolder), QStringList());

    if (action == "cancel") {
        QCOMPARE(job->status(), JobStatus::cancelled);
        QCOMPARE(job->statusMessage(), QStringLiteral("Cancelled by user"));
    } else if (action == "delete") {
        QCOMPARE(f.store->find(id), nullptr);
    } else {
        QCOMPARE(job->status(), JobStatus::paused);
        QCOMPARE(job->statusMessage(), QStringLiteral("Paused (Queue Paused)"));
        QVERIFY(job->progress() >= 0.4f && job->progress() < 1.0f);
        s.resumeQueue();
        QTRY_COMPARE_WITH_TIMEOUT(job->status(), JobStatus::completed, 60000);
        QCOMPARE(job->statusMessage(), QStringLiteral("Finished"));
        const double duration = testtools::probe(output)["format"].toObject()["duration"].toString().toDouble();
        QVERIFY2(qAbs(duration - kMixSeconds) < 0.1, qPrintable(QString::number(duration)));
        QCOMPARE(testtools::decodeErrors(output), QString());
    }
    QCOMPARE(s.batchCounter(), action == "pause" ? 1 : 0);
}

void TestJobServiceRender::threeJobsEndToEnd()
{
    QueueFixture f;
    JobService& s = startReal(f);
    const QString outFolder = f.dir.filePath("out");
    QDir().mkpath(outFolder);
    for (const char* name : {"beach.mp4", "forest.mp4", "city.mp4"})
        s.addJob(sourceClip(QString::fromLatin1(name)), m_songs, QUrl::fromLocalFile(outFolder));
    QCOMPARE(s.activeJobsCount(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(f.notifications.size(), 1, 120000);

    QCOMPARE(f.notifications[0].title, QStringLiteral("Queue Finished"));
    QCOMPARE(f.notifications[0].body, QStringLiteral("All jobs have been processed successfully."));
    QCOMPARE(s.totalJobCount(), 3);
    QCOMPARE(s.completedJobCount(), 3);
    QCOMPARE(s.overallProgress(), 1.0f);
    QVERIFY(!s.isProcessing());
    const auto fetched = f.store->fetch();
    for (MixJob* job : *fetched) {
        QCOMPARE(job->status(), JobStatus::completed);
        const QString movie = job->outputPathOrEmpty();
        const QJsonObject info = testtools::probe(movie);
        const QJsonArray streams = info["streams"].toArray();
        QCOMPARE(streams.size(), 3); // video, audio, chapter names
        const double duration = info["format"].toObject()["duration"].toString().toDouble();
        QVERIFY2(qAbs(duration - kMixSeconds) < 0.1, qPrintable(QString::number(duration)));
        QFile tracklist(movie.chopped(4) + ".txt");
        QVERIFY(tracklist.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(tracklist.readAll()),
                 QStringLiteral("00:00 - 1 Song\n00:57 - 2 Song\n01:54 - 3 Song\n"));
    }
    QCOMPARE(QDir(outFolder).entryList(QDir::Files).size(), 6);
}

void TestJobServiceRender::badInputsFailBeforeMixing_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("outputFolder"); // relative to the fixture's folder
    QTest::addColumn<QString>("message");
    QTest::newRow("audio-only source") << "voice.mp4" << "out" << "Unsupported source voice.mp4: it has no video";
    QTest::newRow("output folder is a file")
        << "clip.mp4" << "file" << "Cannot write to the output folder";
}

// A bad source or output fails the job at once with its reason; no song is
// mixed first.
void TestJobServiceRender::badInputsFailBeforeMixing()
{
    QFETCH(QString, source);
    QFETCH(QString, outputFolder);
    QFETCH(QString, message);
    QueueFixture f;
    JobService& s = startReal(f);
    QFile(f.dir.filePath("file")).open(QIODevice::WriteOnly);
    QUrl sourceURL = sourceClip("clip.mp4");
    if (source != "clip.mp4") {
        sourceURL = QUrl::fromLocalFile(m_media.filePath(source));
        QVERIFY(testtools::ffmpeg({"-f", "lavfi", "-i", "sine=d=1", sourceURL.toLocalFile()}));
    }
    s.addJob(sourceURL, m_songs, QUrl::fromLocalFile(f.dir.filePath(outputFolder)));
    MixJob* job = f.store->fetch()->first();
    QStringList messages;
    QObject::connect(job, &MixJob::statusMessageChanged, [&] { messages << job->statusMessage(); });
    QTRY_COMPARE_WITH_TIMEOUT(job->status(), JobStatus::failed, 10000);
    QVERIFY2(job->statusMessage().startsWith(message), qPrintable(job->statusMessage()));
    QCOMPARE(messages, QStringList {job->statusMessage()});
}

QTEST_GUILESS_MAIN(TestJobServiceRender)
#include "tst_job_service_render.moc"
