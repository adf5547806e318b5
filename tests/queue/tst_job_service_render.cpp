// The queue with the media engine on short generated media: a job paused
// while its export is under way and resumed, beside one that renders at the
// same time and one whose output cannot be used. What the movie holds is
// probed in tst_render_pipeline.

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
    Result<void> checkInputs(const QUrl& source, const QString& output) override
    {
        return m_engine->checkInputs(source, output);
    }
    void cancelRequested() override { m_cancelled.release(); }
    Result<QString, RenderError> render(const RenderPipeline::Inputs& inputs, const lc::media::CancelToken* cancel,
                                       const RenderPipeline::UpdateSink& sink) override
    {
        bool held = false;
        const auto holding = [&](float fraction, const QString& message) {
            sink(fraction, message);
            if (!held && fraction >= 0.4f) {
                held = true;
                m_cancelled.acquire();
            }
        };
        return m_engine->render(inputs, cancel, holding);
    }

private:
    std::unique_ptr<RenderEngine> m_engine = makeMediaRenderEngine();
    QSemaphore m_cancelled;
};

} // namespace

class TestJobServiceRender : public QObject {
    Q_OBJECT
private slots:
    // Three jobs at once. The paused run leaves neither movie nor
    // temporaries and does not count as finished; resumed, it finishes with
    // its movie. The second renders meanwhile on its own thread, with the
    // songs' names in its tracklist. The third, whose output folder is a
    // file, fails at once with the reason, before any song is mixed.
    void pauseDuringExportThenResume()
    {
        QueueFixture f;
        QList<QUrl> songs;
        for (int i = 0; i < 3; ++i) {
            const QString path = f.dir.filePath(QStringLiteral("%1 Song.wav").arg(i + 1));
            QVERIFY(testtools::makeTone(path, 4, 330 + 110 * i, 44100));
            songs << QUrl::fromLocalFile(path);
        }
        const auto clip = [&f](const QString& name) {
            testtools::makeClip(f.dir.filePath(name), 1, 160, 120, 25, {"-c:v", "libx264", "-bf", "2"});
            return QUrl::fromLocalFile(f.dir.filePath(name));
        };
        f.settings->setCrossfadeDuration(1);
        // The real engine; only the first run is held at 40 %.
        auto first = std::make_shared<bool>(true);
        const auto engines = [first](const JobRenderRequest&) -> std::unique_ptr<RenderEngine> {
            if (std::exchange(*first, false))
                return std::make_unique<HeldEngine>();
            return makeMediaRenderEngine();
        };
        f.service = std::make_unique<JobService>(*f.store, *f.settings, *f.thermal, f.files, f.notifier, engines,
                                                 f.timings);
        JobService& s = *f.service;
        const QString outFolder = f.dir.filePath("out"), otherFolder = f.dir.filePath("other");
        QVERIFY(QDir().mkpath(outFolder) && QDir().mkpath(otherFolder));
        QVERIFY(testtools::writeFile(f.dir.filePath("file"), {}));
        s.addJob(clip("clip.mp4"), songs, QUrl::fromLocalFile(outFolder));
        s.addJob(clip("beach.mp4"), songs, QUrl::fromLocalFile(otherFolder));
        s.addJob(clip("city.mp4"), songs, QUrl::fromLocalFile(f.dir.filePath("file")));
        MixJob* job = f.job("clip");
        MixJob* other = f.job("beach");
        MixJob* refused = f.job("city");
        QStringList messages;
        QObject::connect(refused, &MixJob::statusMessageChanged, [&] { messages << refused->statusMessage(); });
        const QString output = job->outputPathOrEmpty();

        QTRY_COMPARE_WITH_TIMEOUT(refused->status(), JobStatus::failed, 10000);
        QCOMPARE(messages.join('|'), "Invalid output path: " + f.dir.filePath("file") + " is not a folder");
        QTRY_COMPARE_WITH_TIMEOUT(other->status(), JobStatus::completed, 60000);
        QCOMPARE(testtools::readFile(other->outputPathOrEmpty().chopped(4) + ".txt"),
                 QByteArray("00:00 - 1 Song\n00:03 - 2 Song\n00:06 - 3 Song\n"));
        QTRY_VERIFY_WITH_TIMEOUT(job->progress() >= 0.4f, 30000);
        s.togglePause();
        QCOMPARE(s.activeJobsCount(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!s.hasLiveRenders(), 30000);
        QCOMPARE(QDir(outFolder).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(s.batchCounter(), 2); // the finished and the refused job; not the paused one
        QCOMPARE(job->status(), JobStatus::paused);
        QCOMPARE(job->statusMessage(), QStringLiteral("Paused (Queue Paused)"));
        QVERIFY(job->progress() >= 0.4f && job->progress() < 1.0f);

        s.togglePause();
        QTRY_COMPARE_WITH_TIMEOUT(job->status(), JobStatus::completed, 60000);
        QCOMPARE(job->statusMessage(), QStringLiteral("Finished"));
        QCOMPARE(QDir(outFolder).entryList(QDir::Files | QDir::Hidden),
                 (QStringList {QFileInfo(output).fileName(), QFileInfo(output).completeBaseName() + ".txt"}));
    }
};

QTEST_GUILESS_MAIN(TestJobServiceRender)
#include "tst_job_service_render.moc"
