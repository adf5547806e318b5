// The user's queue operations and the running of one job, with scripted workers.

#include "QueueTestKit.h"

#include "TestTools.h"
#include "services/FileService.h"

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
    void cancelJob_data()
    {
        QTest::addColumn<int>("beforeValue");
        QTest::addColumn<int>("afterValue");
        QTest::addColumn<QString>("message");
        const QString byUser = QStringLiteral("Cancelled by user");
        using S = JobStatus;
        QTest::newRow("pending") << int(S::pending) << int(S::cancelled) << byUser;
        QTest::newRow("processing") << int(S::processing) << int(S::cancelled) << byUser;
        QTest::newRow("paused") << int(S::paused) << int(S::paused) << "kept";
        QTest::newRow("completed") << int(S::completed) << int(S::completed) << "kept";
        QTest::newRow("failed") << int(S::failed) << int(S::failed) << "kept";
    }

    void cancelJob()
    {
        QFETCH(int, beforeValue);
        QFETCH(int, afterValue);
        const auto before = JobStatus(beforeValue), after = JobStatus(afterValue);
        QFETCH(QString, message);
        QueueFixture f;
        f.storeJob("runner");
        JobService& s = f.start(); // "runner" takes the only slot at serious
        f.setLevel(2);
        const bool running = before == JobStatus::processing;
        MixJob* job = f.storeJob("target", running ? JobStatus::pending : before);
        if (running) {
            f.setLevel(0);
            s.processQueue();
            QCOMPARE(job->status(), JobStatus::processing);
        }
        job->setStatusMessage("kept");
        f.storeJob("waiting");
        const int activeBefore = s.activeJobsCount();
        ScriptedRender* worker = f.workerFor("target");

        s.cancelJob(job);
        QCOMPARE(job->status(), after);
        QCOMPARE(job->statusMessage(), message);
        QCOMPARE(s.activeJobsCount(), activeBefore - (running ? 1 : 0));
        if (running)
            QCOMPARE(worker->cancelCalls.load(), 1);
        settle();
        // A cancelled run's slot goes to the next waiting job at once.
        QCOMPARE(f.started.contains("waiting"), running);
        QCOMPARE(job->status(), after);
    }

    void retryFailedJobs_data()
    {
        QTest::addColumn<int>("failedJobs");
        QTest::newRow("two failed") << 2;
        QTest::newRow("none failed") << 0;
    }

    void retryFailedJobs()
    {
        QFETCH(int, failedJobs);
        QueueFixture f;
        JobService& s = f.start();
        for (int i = 0; i < failedJobs; ++i)
            f.storeJob(QStringLiteral("f%1").arg(i), JobStatus::failed, 0.6f);
        f.storeJob("new"); // stored behind the service's back: only a scheduling pass starts it
        QCOMPARE(s.totalJobCount(), 0);

        s.retryFailedJobs();
        QCOMPARE(s.totalJobCount(), failedJobs + 1);
        QCOMPARE(f.job("new")->status(), JobStatus::processing); // scheduled at once
        for (int i = 0; i < failedJobs; ++i) {
            MixJob* j = f.job(QStringLiteral("f%1").arg(i));
            QCOMPARE(j->status(), JobStatus::processing);
            QCOMPARE(j->progress(), 0.0f);
        }
        QTRY_COMPARE(f.started.size(), failedJobs + 1);
    }

    void sameSecondOutputNamesAreUnique()
    {
        QueueFixture f;
        f.timings.unixSeconds = [] { return qint64(42); };
        JobService& s = f.start();
        s.pauseQueue();
        const QUrl folder = QUrl::fromLocalFile(f.dir.path());
        s.addJob(f.sourceFile("holiday.mov"), {}, folder);
        s.addJob(f.sourceFile("holiday.mov"), {}, folder);
        s.addJob(f.sourceFile("holiday.mp4"), {}, folder);
        s.addJob(f.sourceFile("photo.jpg"), {}, folder);
        QStringList paths;
        const auto jobs = f.store->fetch({}, JobStore::Sort::createdAtAscending);
        for (MixJob* j : *jobs)
            paths << j->outputPathOrEmpty();
        const QDir dir(f.dir.path());
        QCOMPARE(paths, (QStringList {dir.filePath("holiday_mix_42.mp4"), dir.filePath("holiday_mix_42_2.mp4"),
                                      dir.filePath("holiday_mix_42_3.mp4"), dir.filePath("photo_mix_42.mp4")}));
    }

    void namesSkipFilesOnDisk_data()
    {
        QTest::addColumn<QStringList>("onDiskAtAdd");
        QTest::addColumn<QString>("appearsWhileRendering");
        QTest::addColumn<QString>("addedAs");
        QTest::addColumn<QString>("committedAs");
        QTest::newRow("free") << QStringList() << QString() << "clip_mix_42.mp4" << "clip_mix_42.mp4";
        QTest::newRow("user's movie of that name")
            << QStringList {"clip_mix_42.mp4"} << QString() << "clip_mix_42_2.mp4" << "clip_mix_42_2.mp4";
        QTest::newRow("only the tracklist is there")
            << QStringList {"clip_mix_42.txt"} << QString() << "clip_mix_42_2.mp4" << "clip_mix_42_2.mp4";
        QTest::newRow("dangling link") << QStringList {"@clip_mix_42.mp4"} << QString() << "clip_mix_42_2.mp4"
                                       << "clip_mix_42_2.mp4";
        QTest::newRow("_2 taken too") << QStringList {"clip_mix_42.mp4", "clip_mix_42_2.txt"} << QString()
                                      << "clip_mix_42_3.mp4" << "clip_mix_42_3.mp4";
        QTest::newRow("movie appears while rendering")
            << QStringList() << "clip_mix_42.mp4" << "clip_mix_42.mp4" << "clip_mix_42_2.mp4";
        QTest::newRow("tracklist appears while rendering")
            << QStringList() << "clip_mix_42.txt" << "clip_mix_42.mp4" << "clip_mix_42_2.mp4";
    }

    // A new movie never replaces a file: names taken on disk are skipped when
    // the job is added and again when its movie is committed; the files that
    // were there keep their contents.
    void namesSkipFilesOnDisk()
    {
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
        s.addJob(f.sourceFile("clip.mov"), {}, QUrl::fromLocalFile(out.path()));
        MixJob* job = f.job("clip");
        QCOMPARE(QFileInfo(job->outputPathOrEmpty()).fileName(), addedAs);
        if (!appearsWhileRendering.isEmpty())
            QVERIFY(place(appearsWhileRendering));
        f.workerFor("clip")->finishRun();
        QTRY_COMPARE(job->status(), JobStatus::completed);
        QCOMPARE(job->outputPathOrEmpty(), out.filePath(committedAs));
        QVERIFY(QFileInfo::exists(out.filePath(committedAs).chopped(4) + ".txt"));
        for (const QString& name : onDiskAtAdd + QStringList {appearsWhileRendering}) {
            if (!name.isEmpty() && !name.startsWith('@'))
                QVERIFY2(testtools::readFile(out.filePath(name)) == mine, qPrintable(name));
        }
    }

    void sharedOutputPathNeverRunsTwice()
    {
        QueueFixture f;
        MixJob* a = f.storeJob("a");
        MixJob* b = f.storeJob("b");
        b->setOutputPath(a->outputPathOrEmpty()); // e.g. records from before names were made unique
        f.storeJob("c");
        f.start();
        QCOMPARE(f.started, (QStringList {"a", "c"}));
        QCOMPARE(b->status(), JobStatus::pending);
        f.workerFor("a")->finishRun();
        QTRY_COMPARE(f.started, (QStringList {"a", "c", "b"}));
    }

    void oldCancelledRunNeverTouchesNewerRun()
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

        // The abandoned run reports late and then ends.
        old->sendUpdate(0.9f, "Remuxing... 90%");
        old->failRun(RemuxError::cancelled());
        QTRY_VERIFY(old->isReleased());
        QCOMPARE(f.job("a")->progress(), 0.1f);
        QCOMPARE(f.job("a")->statusMessage(), QStringLiteral("Preparing..."));
        QCOMPARE(f.job("a")->status(), JobStatus::processing);
        QCOMPARE(s.activeJobsCount(), 1);

        newer->finishRun();
        QTRY_COMPARE(f.job("a")->status(), JobStatus::completed);
        QCOMPARE(s.activeJobsCount(), 0);
        QCOMPARE(s.batchCounter(), 1);
    }

    void sourceResolution_data()
    {
        QTest::addColumn<QString>("bookmark"); // valid, corrupt, none
        QTest::addColumn<bool>("fileKept");
        QTest::addColumn<bool>("runs");
        QTest::newRow("bookmark resolves") << "valid" << true << true;
        QTest::newRow("bookmark fails, path exists") << "corrupt" << true << true;
        QTest::newRow("no bookmark, path exists") << "none" << true << true;
        QTest::newRow("no bookmark, file deleted") << "none" << false << false;
        QTest::newRow("bookmark of a deleted file") << "valid" << false << false;
    }

    void sourceResolution()
    {
        QFETCH(QString, bookmark);
        QFETCH(bool, fileKept);
        QFETCH(bool, runs);
        QueueFixture f;
        MixJob* job = f.storeJob("clip", JobStatus::pending, 0.25f);
        if (bookmark == "corrupt")
            job->setVideoBookmark(QByteArray("not a bookmark"));
        else if (bookmark == "none")
            job->setVideoBookmark(std::nullopt);
        else
            QVERIFY(job->videoBookmark().has_value());
        if (!fileKept)
            QVERIFY(QFile::remove(job->videoPath()));
        const QString expectedPath = job->videoPath();

        f.start();
        ScriptedRender* run = f.workerFor("clip");
        QVERIFY(run);
        if (runs) {
            QTRY_VERIFY(run->rendered().isValid());
            QCOMPARE(run->rendered().toLocalFile(), expectedPath);
        } else {
            QTRY_COMPARE(job->status(), JobStatus::failed);
            QCOMPARE(job->statusMessage(), QStringLiteral("Cannot access video file"));
            QCOMPARE(job->progress(), 0.25f);
            QVERIFY(!run->rendered().isValid());
        }
    }

    void finishedRun_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("used");
        QTest::newRow("zero means 3") << 0.0 << 3.0;
        QTest::newRow("fraction") << 2.5 << 2.5;
    }

    // The run gets the job's songs, output and crossfade; its reports reach
    // the record in order, then the commit's and the end's.
    void finishedRun()
    {
        QFETCH(double, stored);
        QFETCH(double, used);
        QueueFixture f;
        f.settings->setCrossfadeDuration(stored);
        f.settings->settings().setValue("crossfadeDuration", stored);
        MixJob* job = f.storeJob("a");
        JobService& s = f.start();
        ScriptedRender* w = f.workerFor("a");
        QCOMPARE(w->crossfade, used);
        QCOMPARE(w->output.toLocalFile(), job->outputPathOrEmpty());
        QCOMPARE(w->songs, job->audioURLs());
        QStringList messages;
        QObject::connect(job, &MixJob::statusMessageChanged, [&] { messages << job->statusMessage(); });
        w->sendUpdate(0.5f, "Remuxing... 50%");
        QTRY_COMPARE(s.overallProgress(), 0.5f);
        w->finishRun();
        QTRY_COMPARE(job->status(), JobStatus::completed);
        QCOMPARE(job->progress(), 1.0f);
        QCOMPARE(messages, (QStringList {"Remuxing... 50%", "Complete!", "Saving tracklist...", "Finished"}));
        QCOMPARE(s.overallProgress(), 1.0f);
        QCOMPARE(s.completedJobCount(), 1);
        QVERIFY(QFileInfo::exists(job->outputPathOrEmpty().chopped(4) + ".txt"));
    }

    void runEndings_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("sweeps"); // temporaries made while it ran are gone after it
        QTest::newRow("finished") << "finish" << "Finished" << false;
        QTest::newRow("failed") << "fail" << "Composition error: No valid audio files loaded" << true;
        QTest::newRow("cancelled") << "cancel" << "Cancelled by user" << true;
        QTest::newRow("paused") << "pause" << "Paused (Queue Paused)" << true;
        QTest::newRow("no source: ends before they are made") << "nosource" << "Cannot access video file" << false;
    }

    // However a run ends, it gives back the folder access it took. Our hidden
    // temporaries of its movie (a killed process's at start-up, an earlier
    // run's after a run that did not commit) are swept; the user's files and
    // another movie's temporaries stay.
    void runEndings()
    {
        QFETCH(QString, ending);
        QFETCH(QString, message);
        QFETCH(bool, sweeps);
        const int openBefore = FileService::shared().openAccessCount();
        QueueFixture f;
        MixJob* job = f.storeJob("a");
        if (ending == "nosource") {
            job->setVideoBookmark(std::nullopt);
            QFile::remove(job->videoPath());
        }
        const QDir folder(f.dir.path());
        const QString name = QFileInfo(job->outputPathOrEmpty()).fileName();
        const QStringList ours {"." + name + ".k3x9a.part", ".." + name + ".k3x9a.part.0zz1.part"};
        const QStringList kept {"." + name + ".notes", name + ".part", ".b_mix_1.mp4.k3x9a.part"};
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

        if (ending == "finish")
            f.workerFor("a")->finishRun();
        else if (ending == "fail")
            f.workerFor("a")->failRun(RemuxError::compositionFailed("No valid audio files loaded"));
        else if (ending == "cancel")
            s.cancelJob(job);
        else if (ending == "pause")
            s.pauseQueue();
        QTRY_VERIFY(f.workerFor("a")->isReleased());
        QCOMPARE(job->statusMessage(), message);
        QCOMPARE(FileService::shared().openAccessCount(), openBefore);
        for (const QString& file : ours)
            QVERIFY2(left().contains(file) != sweeps, qPrintable(file));
        for (const QString& file : kept)
            QVERIFY2(left().contains(file), qPrintable(file));
    }

    // Runs stop in order; the app may quit only when the slowest has unwound.
    void quitPutsRunningJobsBackToWaiting()
    {
        QueueFixture f;
        f.setLevel(1); // two at once, so "c" waits
        for (const char* name : {"a", "b", "c"})
            f.storeJob(QString::fromLatin1(name));
        JobService& s = f.start();
        f.workerFor("a")->endOnCancel = false; // slow to notice its stop
        f.workerFor("b")->sendUpdate(0.5f, "Remuxing... 50%");
        QTRY_COMPARE(f.job("b")->progress(), 0.5f);
        QSignalSpy stopped(&s, &JobService::runsStopped);

        s.stopForQuit();
        settle();
        for (const char* name : {"a", "b", "c"}) {
            QCOMPARE(f.job(name)->status(), JobStatus::pending);
            QCOMPARE(f.job(name)->statusMessage(), QStringLiteral("Waiting..."));
        }
        QCOMPARE(f.job("b")->progress(), 0.5f);
        QCOMPARE(s.activeJobsCount(), 0);
        QCOMPARE(stopped.count(), 0); // "a" is still unwinding
        s.resumeQueue();
        settle();
        QCOMPARE(f.started, (QStringList {"a", "b"}));

        f.workerFor("a")->failRun(RemuxError::cancelled());
        QTRY_COMPARE(stopped.count(), 1);
        QCOMPARE(f.job("a")->status(), JobStatus::pending);
        QCOMPARE(s.batchCounter(), 0);
        QVERIFY(f.notifications.isEmpty());
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
        QVERIFY2(job->statusMessage().startsWith("Cannot write the tracklist clip_mix_42.txt: "),
                 qPrintable(job->statusMessage()));
        QCOMPARE(QDir(small).entryList(QDir::Files | QDir::Hidden), QStringList {"filler"});
    }

    void stopDuringCommit_data()
    {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<int>("status");
        QTest::newRow("pause") << "pause" << int(JobStatus::completed);
        QTest::newRow("quit") << "quit" << int(JobStatus::completed);
        QTest::newRow("user's cancel") << "cancel" << int(JobStatus::cancelled);
    }

    // A stop that arrives once the run is committing cannot take the movie back:
    // the job ends finished (a later run would make a second movie), unless the
    // user cancelled it; the committed files stay either way.
    void stopDuringCommit()
    {
        QFETCH(QString, stop);
        QFETCH(int, status);
        QueueFixture f;
        MixJob* job = f.storeJob("a");
        JobService& s = f.start();
        QObject::connect(job, &MixJob::statusMessageChanged, &s, [&] {
            if (job->statusMessage() != "Saving tracklist...")
                return;
            if (stop == "pause")
                s.pauseQueue();
            else if (stop == "quit")
                s.stopForQuit();
            else
                s.cancelJob(job);
        });
        f.workerFor("a")->finishRun();
        QTRY_VERIFY(f.workerFor("a")->isReleased());
        QCOMPARE(job->status(), JobStatus(status));
        QVERIFY(QFileInfo::exists(job->outputPathOrEmpty()));
        QVERIFY(QFileInfo::exists(job->outputPathOrEmpty().chopped(4) + ".txt"));
    }
};

QTEST_GUILESS_MAIN(TestJobOperations)
#include "tst_job_operations.moc"
