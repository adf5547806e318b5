// The user's queue operations and the running of one job, with scripted workers.

#include "QueueTestKit.h"

#include "TestTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

class TestJobOperations : public QObject {
    Q_OBJECT
private slots:
    // Only a waiting job becomes cancelled; the others keep status and text.
    void cancelJobNotRunning()
    {
        QueueFixture f;
        f.setLevel(2); // "runner" takes the only slot
        f.storeJob("runner");
        JobService& s = f.start();
        MixJob* waiting = f.storeJob("waiting");
        MixJob* held = f.storeJob("held", JobStatus::paused);
        held->setStatusMessage("kept");
        s.cancelJob(waiting);
        s.cancelJob(held);
        settle();
        QCOMPARE(waiting->status(), JobStatus::cancelled);
        QCOMPARE(waiting->statusMessage(), "Cancelled by user");
        QCOMPARE(held->status(), JobStatus::paused);
        QCOMPARE(held->statusMessage(), "kept");
        QCOMPARE(f.started, QStringList {"runner"});
    }

    // Jobs added in the same second still get output names of their own.
    void addedJobsGetNamesOfTheirOwn()
    {
        QueueFixture f;
        f.timings.unixSeconds = [] { return qint64(42); };
        JobService& s = f.start();
        s.pauseQueue();
        QStringList names;
        for (const char* source : {"holiday.mov", "holiday.mov", "holiday.mp4", "photo.jpg"}) {
            s.addJob(f.sourceFile(source), {}, QUrl::fromLocalFile(f.dir.path()));
            names << QFileInfo(f.store->fetch({}, JobStore::Sort::createdAtAscending)->last()->outputPathOrEmpty())
                         .fileName();
        }
        QCOMPARE(names, (QStringList {"holiday_mix_42.mp4", "holiday_mix_42_2.mp4", "holiday_mix_42_3.mp4",
                                      "photo_mix_42.mp4"}));
    }

    void namesSkipFilesOnDisk_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("onDiskAtAdd");
        QTest::addColumn<QString>("appearsWhileRendering");
        QTest::addColumn<QString>("addedAs");
        QTest::addColumn<QString>("committedAs");
        QTest::newRow("dangling link") << "clip.mov" << QStringList {"@clip_mix_42.mp4"} << QString() << "clip_mix_42_2.mp4"
                                       << "clip_mix_42_2.mp4";
        QTest::newRow("movie, and tracklist of _2") << "clip.mov" << QStringList {"clip_mix_42.mp4", "clip_mix_42_2.txt"}
                                                    << QString() << "clip_mix_42_3.mp4" << "clip_mix_42_3.mp4";
        QTest::newRow("movie appears while rendering")
            << "clip.mov" << QStringList() << "clip_mix_42.mp4" << "clip_mix_42.mp4" << "clip_mix_42_2.mp4";
        QTest::newRow("tracklist appears while rendering")
            << "clip.mov" << QStringList() << "clip_mix_42.txt" << "clip_mix_42.mp4" << "clip_mix_42_2.mp4";
        // 240 bytes of name: cut between characters so that every file of the
        // run, its staging movie too, fits in 255 bytes.
        const QString cjk = QString(80, QChar(0x97F3)), cut = cjk.left(75) + "_mix_42";
        QTest::newRow("long name, taken") << cjk + ".mov" << QStringList {cut + ".mp4"} << cut + ".mp4"
                                          << cut + "_2.mp4" << cut + "_2.mp4";
    }

    // A new movie never replaces a file: names taken on disk are skipped when
    // the job is added and again when its movie is committed; the files that
    // were there keep their contents.
    void namesSkipFilesOnDisk()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, onDiskAtAdd);
        QFETCH(QString, appearsWhileRendering);
        QFETCH(QString, addedAs);
        QFETCH(QString, committedAs);
        QueueFixture f;
        f.timings.unixSeconds = [] { return qint64(42); };
        const QDir out(f.dir.filePath("out"));
        QVERIFY(out.mkpath("."));
        const QByteArray mine = "the user's own file";
        const auto place = [&](const QString& name) {
            if (name.startsWith('@'))
                return QFile::link(out.filePath("nowhere"), out.filePath(name.mid(1)));
            return testtools::writeFile(out.filePath(name), mine);
        };
        for (const QString& name : onDiskAtAdd)
            QVERIFY(place(name));
        JobService& s = f.start();
        s.addJob(f.sourceFile(source), {}, QUrl::fromLocalFile(out.path()));
        const QString stem = QFileInfo(source).completeBaseName();
        MixJob* job = f.job(stem);
        QCOMPARE(QFileInfo(job->outputPathOrEmpty()).fileName(), addedAs);
        if (!appearsWhileRendering.isEmpty())
            QVERIFY(place(appearsWhileRendering));
        f.workerFor(stem)->finishRun();
        QTRY_COMPARE(job->status(), JobStatus::completed);
        QCOMPARE(job->outputPathOrEmpty(), out.filePath(committedAs));
        QVERIFY(QFileInfo::exists(out.filePath(committedAs).chopped(4) + ".txt"));
        for (const QString& name : onDiskAtAdd + QStringList {appearsWhileRendering}) {
            if (!name.isEmpty() && !name.startsWith('@'))
                QVERIFY2(testtools::readFile(out.filePath(name)) == mine, qPrintable(name));
        }
    }

    // A run slow to notice its stop flag: a newer run of its job waits until
    // it unwinds and never hears from it; the app may quit only when the
    // slowest run has unwound, and nothing starts again meanwhile.
    void slowStoppingRuns()
    {
        QueueFixture f;
        f.storeJob("a");
        JobService& s = f.start();
        ScriptedRender* old = f.workerFor("a");
        old->endOnCancel = false; // a run slow to notice its stop flag
        old->sendUpdate(0.3f, "Remuxing... 30%");
        QTRY_COMPARE(f.job("a")->progress(), 0.3f);

        s.pauseQueue();
        s.resumeQueue();
        f.clock.advance(f.timings.unwindHoldMs - 1);
        settle();
        QCOMPARE(f.started.size(), 1); // its output path is still held by the unwinding run
        f.clock.advance(1);
        QCOMPARE(f.started.size(), 2);
        ScriptedRender* newer = f.workerFor("a");
        QVERIFY(newer != old);
        newer->sendUpdate(0.1f, "Preparing...");
        QTRY_COMPARE(f.job("a")->progress(), 0.1f);

        old->sendUpdate(0.9f, "Remuxing... 90%");
        old->failRun(RenderError::cancelled());
        QTRY_VERIFY(old->isReleased());
        QCOMPARE(f.job("a")->progress(), 0.1f);
        QCOMPARE(f.job("a")->statusMessage(), QStringLiteral("Preparing..."));
        QCOMPARE(f.job("a")->status(), JobStatus::processing);
        QCOMPARE(s.activeJobsCount(), 1);

        newer->finishRun();
        QTRY_COMPARE(f.job("a")->status(), JobStatus::completed);
        QCOMPARE(s.activeJobsCount(), 0);
        QCOMPARE(s.batchCounter(), 1);

        f.storeJob("b");
        f.storeJob("c");
        s.processQueue();
        settle();
        f.workerFor("b")->endOnCancel = false;
        QSignalSpy stopped(&s, &JobService::rendersStopped);
        s.stopForQuit();
        settle();
        QCOMPARE(stopped.count(), 0);
        s.resumeQueue();
        settle();
        QCOMPARE(f.started, (QStringList {"a", "a", "b", "c"}));
        f.workerFor("b")->failRun(RenderError::cancelled());
        QTRY_COMPARE(stopped.count(), 1);
        QCOMPARE(f.job("b")->status(), JobStatus::pending);
    }

    void runEndings_data()
    {
        // "<stop>@commit": the stop comes while the movie is committed;
        // "<stop>/<bookmark>": the source's bookmark is corrupt or none.
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("status"); // -1: the record is gone
        QTest::addColumn<QString>("message");
        QTest::addColumn<float>("progress");
        QTest::addColumn<bool>("sweeps"); // temporaries made while it ran are gone after it
        QTest::addColumn<bool>("nextStarts"); // the waiting job takes the freed slot at once
        using S = JobStatus;
        const QString byUser = "Cancelled by user", done = "Finished";
        QTest::newRow("finished") << "finish" << int(S::completed) << done << 1.0f << false << true;
        // The source is found by its bookmark, else by its recorded path.
        QTest::newRow("bookmark fails, found by path") << "finish/corrupt" << int(S::completed) << done << 1.0f
                                                       << false << true;
        QTest::newRow("no bookmark, found by path") << "finish/none" << int(S::completed) << done << 1.0f << false
                                                    << true;
        QTest::newRow("failed") << "fail" << int(S::failed) << "Composition error: No valid audio files loaded"
                                << 0.4f << true << true;
        QTest::newRow("cancelled") << "cancel" << int(S::cancelled) << byUser << 0.4f << true << true;
        QTest::newRow("deleted") << "delete" << -1 << "" << 0.0f << true << true;
        QTest::newRow("paused") << "pause" << int(S::paused) << "Paused (Queue Paused)" << 0.4f << true << false;
        QTest::newRow("quit: back to waiting") << "quit" << int(S::pending) << "Waiting..." << 0.4f << true << false;
        QTest::newRow("critical heat") << "heat" << int(S::paused) << "Thermal Pause (machine too hot)" << 0.4f
                                       << true << false;
        QTest::newRow("no source: ends before they are made")
            << "nosource/none" << int(S::failed) << "Cannot access video file" << 0.0f << false << true;
        QTest::newRow("bookmark of a deleted file")
            << "nosource" << int(S::failed) << "Cannot access video file" << 0.0f << false << true;
        // Too late to take the movie back: it ends finished (a later run would
        // make a second movie), unless the user cancelled it.
        QTest::newRow("pause while committing") << "pause@commit" << int(S::completed) << done << 1.0f << false
                                                << false;
        QTest::newRow("cancel while committing") << "cancel@commit" << int(S::cancelled) << byUser << 1.0f << false
                                                 << true;
    }

    // The run gets the job's songs, output and crossfade. However it ends,
    // it gives back the folder access it took and frees its slot. Our hidden
    // temporaries of its movie (a killed process's at start-up, an earlier
    // run's after a run that did not commit) are swept; the user's files and
    // another movie's temporaries stay.
    void runEndings()
    {
        QFETCH(QString, ending);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(float, progress);
        QFETCH(bool, sweeps);
        QFETCH(bool, nextStarts);
        QueueFixture f;
        f.setLevel(2); // one slot: "b" waits for it
        f.settings->setCrossfadeDuration(0); // none: never the default
        MixJob* job = f.storeJob("a");
        f.storeJob("b");
        const QString stop = ending.section('@', 0, 0).section('/', 0, 0), bookmark = ending.section('/', 1);
        if (bookmark == "corrupt")
            job->setVideoBookmark(QByteArray("not a bookmark"));
        else if (bookmark == "none")
            job->setVideoBookmark(std::nullopt);
        if (stop == "nosource")
            QVERIFY(QFile::remove(job->videoPath()));
        const QString output = job->outputPathOrEmpty();
        const QDir folder(f.dir.path());
        const QString name = QFileInfo(output).fileName();
        const QStringList ours {"." + name + ".k3x9a0.part"};
        const QStringList kept {"." + name + ".notes", name + ".part", ".c_mix_1.mp4.k3x9a.part"};
        const auto touch = [&](const QStringList& files) {
            for (const QString& file : files)
                QFile(folder.filePath(file)).open(QIODevice::WriteOnly);
        };
        const auto left = [&] { return folder.entryList(QDir::Files | QDir::Hidden); };
        touch(ours);
        JobService& s = f.start();
        for (const QString& file : ours)
            QVERIFY2(!left().contains(file), qPrintable(file));
        touch(ours + kept);
        ScriptedRender* run = f.workerFor("a");
        QCOMPARE(run->crossfade, 0.0);
        QCOMPARE(run->output.toLocalFile(), output);
        QCOMPARE(run->songs, job->audioURLs());
        if (stop != "nosource") {
            run->sendUpdate(0.4f, "Remuxing... 40%");
            QTRY_COMPARE(job->progress(), 0.4f);
        }

        const auto act = [&] {
            if (stop == "finish")
                run->finishRun();
            else if (stop == "fail")
                run->failRun(RenderError::compositionFailed("No valid audio files loaded"));
            else if (stop == "cancel")
                s.cancelJob(job);
            else if (stop == "delete")
                s.deleteJob(job);
            else if (stop == "pause")
                s.pauseQueue();
            else if (stop == "heat")
                f.setLevel(3);
            else if (stop == "quit")
                s.stopForQuit();
        };
        if (ending.endsWith("@commit")) {
            QObject::connect(job, &MixJob::statusMessageChanged, &s, [&] {
                if (job->statusMessage() == "Saving tracklist...")
                    act();
            });
            run->finishRun();
        } else {
            act();
        }
        QTRY_VERIFY(run->isReleased());
        settle();
        if (status < 0) {
            QCOMPARE(f.job("a"), nullptr);
        } else {
            QCOMPARE(int(job->status()), status);
            QCOMPARE(job->statusMessage(), message);
            QCOMPARE(job->progress(), progress);
        }
        const bool committed = progress == 1.0f; // only a run that reached its commit
        // A run that ended by itself counts towards the rest; a stopped one does not.
        QCOMPARE(s.batchCounter(), stop == "finish" || stop == "fail" || stop == "nosource" ? 1 : 0);
        QCOMPARE(QFileInfo::exists(output), committed);
        QCOMPARE(QFileInfo::exists(output.chopped(4) + ".txt"), committed);
        QCOMPARE(f.started.contains("b"), nextStarts);
        for (const QString& file : ours)
            QVERIFY2(left().contains(file) != sweeps, qPrintable(file));
        for (const QString& file : kept)
            QVERIFY2(left().contains(file), qPrintable(file));
    }

    // A tracklist that cannot be written fails the job, and the movie it belongs
    // to goes too: no 0-byte tracklist, no "Finished" for a half result.
    void fullDiskAtTheTracklistFailsTheJob()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        QueueFixture f;
        const QString small = f.dir.filePath("small");
        QVERIFY(QDir().mkpath(small));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", small}) != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {small}); });
        f.timings.unixSeconds = [] { return qint64(42); };
        JobService& s = f.start();
        s.addJob(f.sourceFile("clip.mov"), {}, QUrl::fromLocalFile(small));
        MixJob* job = f.job("clip");
        QFile filler(small + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        f.workerFor("clip")->finishRun();
        QTRY_COMPARE(job->status(), JobStatus::failed);
        QVERIFY2(job->statusMessage().startsWith("Export error: cannot write the tracklist clip_mix_42.txt: "),
                 qPrintable(job->statusMessage()));
        QCOMPARE(QDir(small).entryList(QDir::Files | QDir::Hidden), QStringList {"filler"});
    }
};

QTEST_GUILESS_MAIN(TestJobOperations)
#include "tst_job_operations.moc"
