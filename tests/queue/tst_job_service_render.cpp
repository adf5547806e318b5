// The queue with the media engine on short generated media: stopping a job
// while its export is under way, and three jobs from addJob to movies and
// tracklists. What the movie holds is probed in tst_remux_run.

#include "QueueTestKit.h"

#include "TestTools.h"

#include <QDir>
#include <QFileInfo>
#include <QSemaphore>
#include <QTest>

namespace {

// The media engine, held at its first report past 40 % until the run is
// cancelled: the test then acts while the export is surely under way.
class HeldEngine : public RenderEngine {
public:
    std::optional<QString> checkInputs(const QUrl& source, const QString& output) override
    {
        return m_engine->checkInputs(source, output);
    }
    void cancelRequested() override { m_cancelled.release(); }
    std::optional<RemuxError> render(const RemuxRun::Inputs& inputs, const std::atomic<bool>* cancel,
                                     const RemuxRun::UpdateSink& sink, QString* tracklist) override
    {
        bool held = false;
        const auto holding = [&](float fraction, const QString& message) {
            sink(fraction, message);
            if (!held && fraction >= 0.4f) {
                held = true;
                m_cancelled.acquire();
            }
        };
        return m_engine->render(inputs, cancel, holding, tracklist);
    }

private:
    std::unique_ptr<RenderEngine> m_engine = makeMediaRenderEngine();
    QSemaphore m_cancelled;
};

} // namespace

class TestJobServiceRender : public QObject {
    Q_OBJECT
    QTemporaryDir m_media;
    QList<QUrl> m_songs;

    QUrl clip(const QString& name)
    {
        const QString path = m_media.filePath(name);
        if (!QFileInfo::exists(path))
            testtools::makeClip(path, 1, 160, 120, 25, {"-c:v", "libx264", "-bf", "2"});
        return QUrl::fromLocalFile(path);
    }
    // The real engine; only the first run is held at 40 %.
    JobService& startReal(QueueFixture& f, bool holdFirstRun = false)
    {
        f.settings->setCrossfadeDuration(1);
        auto first = std::make_shared<bool>(holdFirstRun);
        const auto engines = [first](const JobRenderRequest&) -> std::unique_ptr<RenderEngine> {
            if (std::exchange(*first, false))
                return std::make_unique<HeldEngine>();
            return makeMediaRenderEngine();
        };
        f.service = std::make_unique<JobService>(*f.store, *f.settings, *f.thermal, engines, f.timings);
        return *f.service;
    }

private slots:
    void initTestCase()
    {
        QString error;
        for (int i = 0; i < 3; ++i) {
            const QString path = m_media.filePath(QStringLiteral("%1 Song.wav").arg(i + 1));
            QVERIFY2(testtools::makeTone(path, 4, 330 + 110 * i, 44100, {}, &error), qPrintable(error));
            m_songs << QUrl::fromLocalFile(path);
        }
    }

    void stopDuringExport_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("delete") << "delete";
        QTest::newRow("pause, then resume") << "pause";
    }

    // The run stops, leaves neither movie nor temporaries, and does not count
    // as finished; a paused job resumed later finishes with its movie.
    void stopDuringExport()
    {
        QFETCH(QString, action);
        QueueFixture f;
        JobService& s = startReal(f, true);
        const QString outFolder = f.dir.filePath("out");
        QDir().mkpath(outFolder);
        s.addJob(clip("clip.mp4"), m_songs, QUrl::fromLocalFile(outFolder));
        MixJob* job = f.store->fetch()->first();
        const QString output = job->outputPathOrEmpty();
        const QUuid id = job->id();

        QTRY_VERIFY_WITH_TIMEOUT(job->progress() >= 0.4f, 30000);
        if (action == "cancel")
            s.cancelJob(job);
        else if (action == "delete")
            s.deleteJob(job);
        else
            s.togglePause();
        QCOMPARE(s.activeJobsCount(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!s.hasLiveRuns(), 30000);
        QCOMPARE(QDir(outFolder).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(s.batchCounter(), 0);

        if (action == "cancel") {
            QCOMPARE(job->status(), JobStatus::cancelled);
            QCOMPARE(job->statusMessage(), QStringLiteral("Cancelled by user"));
        } else if (action == "delete") {
            QCOMPARE(f.store->find(id), nullptr);
        } else {
            QCOMPARE(job->status(), JobStatus::paused);
            QCOMPARE(job->statusMessage(), QStringLiteral("Paused (Queue Paused)"));
            QVERIFY(job->progress() >= 0.4f && job->progress() < 1.0f);
            s.togglePause();
            QTRY_COMPARE_WITH_TIMEOUT(job->status(), JobStatus::completed, 60000);
            QCOMPARE(job->statusMessage(), QStringLiteral("Finished"));
            QCOMPARE(QDir(outFolder).entryList(QDir::Files | QDir::Hidden),
                     (QStringList {QFileInfo(output).fileName(), QFileInfo(output).completeBaseName() + ".txt"}));
        }
    }

    void threeJobsEndToEnd()
    {
        QueueFixture f;
        JobService& s = startReal(f);
        const QString outFolder = f.dir.filePath("out");
        QDir().mkpath(outFolder);
        for (const QString name : {"beach.mp4", "forest.mp4", "city.mp4"})
            s.addJob(clip(name), m_songs, QUrl::fromLocalFile(outFolder));
        QCOMPARE(s.activeJobsCount(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(s.completedJobCount(), 3, 120000);
        const auto jobs = f.store->fetch();
        for (MixJob* job : *jobs) {
            QCOMPARE(job->status(), JobStatus::completed);
            QVERIFY(QFileInfo(job->outputPathOrEmpty()).size() > 0);
            QCOMPARE(testtools::readFile(job->outputPathOrEmpty().chopped(4) + ".txt"),
                     QByteArray("00:00 - 1 Song\n00:03 - 2 Song\n00:06 - 3 Song\n"));
        }
        QCOMPARE(QDir(outFolder).entryList(QDir::Files | QDir::Hidden).size(), 6);
    }

    // Inputs the render cannot use fail the job at once with the reason, before
    // any song is mixed.
    void badOutputFailsBeforeMixing()
    {
        QueueFixture f;
        JobService& s = startReal(f);
        QVERIFY(testtools::writeFile(f.dir.filePath("file"), {}));
        s.addJob(clip("clip.mp4"), m_songs, QUrl::fromLocalFile(f.dir.filePath("file")));
        MixJob* job = f.store->fetch()->first();
        QStringList messages;
        QObject::connect(job, &MixJob::statusMessageChanged, [&] { messages << job->statusMessage(); });
        QTRY_COMPARE_WITH_TIMEOUT(job->status(), JobStatus::failed, 10000);
        QCOMPARE(messages.join('|'), "Cannot write to the output folder " + f.dir.filePath("file") + ": not a folder");
    }
};

QTEST_GUILESS_MAIN(TestJobServiceRender)
#include "tst_job_service_render.moc"
