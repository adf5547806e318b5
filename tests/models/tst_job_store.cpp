// The job store file: what survives a restart, how status codes read and
// filter, removal, coalesced writes, and files it must not touch. (Sorting
// by creation date is checked with the list model.)

#include "RawJobTable.h"
#include "TestTools.h"

#include "models/JobStore.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kHour = 3600 * 1000;

std::unique_ptr<JobStore> openStore(const QString& path, int flushDelayMs = kHour)
{
    auto store = JobStore::open(path);
    if (!store) {
        qWarning().noquote() << "open failed:" << store.error().text;
        return nullptr;
    }
    (*store)->setFlushDelayMs(flushDelayMs);
    return std::move(*store);
}

MixJob* newJob(const QString& video, const QStringList& songs = {})
{
    QList<QUrl> urls;
    for (const QString& s : songs)
        urls.append(QUrl::fromLocalFile(s));
    return new MixJob(QUrl::fromLocalFile(video), urls, {});
}

} // namespace

class TestJobStore : public QObject {
    Q_OBJECT

private slots:
    // Inserted and never saved: closing the store writes them. Rows the app
    // would never write load beside them and keep what we cannot read.
    void reopenKeepsAllFields()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("data/jobs.sqlite");
        auto first = openStore(path);
        QVERIFY(first);

        // Characters that mean something in a URL, SQL or JSON must come back as they were.
        const QString video = "/v/Été #1 clip.mov";
        const QStringList songs {"/s/\"quoted\" 50% off?.mp3", "/s/b,c.flac"};
        MixJob* full = newJob(video, songs);
        full->setOutputPath("/out/Été #1 clip_mix_1700000000.mp4");
        full->setProgress(0.375f);
        full->setStatus(JobStatus::failed);
        full->setStatusMessage("Export error: disk full ✗");
        full->setVideoBookmark(QByteArray("\0bookmark\xff", 10));
        full->setMixOptions({-23.0, -2.0, true});
        // A new record of an existing file: waiting, with a bookmark of its source.
        const QString existing = dir.filePath("still.heic");
        QVERIFY(testtools::writeFile(existing, "x"));
        MixJob* bare = newJob(existing);
        first->insert(full);
        first->insert(bare);

        // Every stored field, in a form QCOMPARE can print.
        auto fields = [](const MixJob* j) {
            return QVariantList {j->videoPath(), j->audioPaths(), j->audioURLs().value(0).toLocalFile(),
                                 j->outputURL() ? j->outputURL()->toLocalFile() : QVariant(), j->progress(),
                                 j->statusValue(), j->statusMessage(), j->createdAt(),
                                 j->videoBookmark() ? QVariant(*j->videoBookmark()) : QVariant(),
                                 j->mixOptions().loudnessTarget.value_or(0), j->mixOptions().truePeakCeiling,
                                 j->mixOptions().titlesFromTags};
        };
        const QHash<QUuid, QVariantList> expected {{full->id(), fields(full)}, {bare->id(), fields(bare)}};
        first.reset();

        const QString odd = QUuid::createUuid().toString(QUuid::WithoutBraces);
        // An id spelled differently from ours must still be the key of later writes.
        const QString braced = QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
        {
            RawJobTable raw(path);
            QVariantMap row = validRow(odd, "2024-01-01T00:00:00.000Z");
            row["statusValue"] = 9;
            row["audioPaths"] = "not json";
            row["loudnessTarget"] = 99; // a hand edit: read as matching off
            row["titlesFromTags"] = "yes";
            QVERIFY(raw.insertRow(row));
            QVERIFY(raw.insertRow(validRow("not-a-uuid", "2024-01-03T00:00:00.000Z")));
            QVERIFY(raw.insertRow(validRow(braced, "garbage date")));
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(odd + ".*audioPaths"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not-a-uuid"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("createdAt"));
        auto second = openStore(path);
        QVERIFY(second);
        QCOMPARE(second->fetchCount(), 4);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const MixJob* j = second->find(it.key());
            QVERIFY(j);
            QCOMPARE(fields(j), it.value());
        }
        QCOMPARE(second->schemaVersion(), JobStore::currentSchemaVersion);
        MixJob* job = second->find(QUuid::fromString(odd));
        QVERIFY(job);
        QCOMPARE(job->statusValue(), 9);
        QCOMPARE(job->audioPaths(), QStringList());
        QVERIFY(job->mixOptions() == MixOptions {});

        job->setStatusMessage("Cancelled by user");
        MixJob* bracedJob = second->find(QUuid::fromString(braced));
        QVERIFY(bracedJob);
        bracedJob->setProgress(0.5f);
        QVERIFY(second->save());

        RawJobTable raw(path);
        QCOMPARE(raw.scalar("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
        QCOMPARE(raw.column(odd, "statusMessage").toString(), QStringLiteral("Cancelled by user"));
        QCOMPARE(raw.column(odd, "audioPaths").toString(), QStringLiteral("not json"));
        QCOMPARE(raw.column(odd, "statusValue").toInt(), 9);
        QVERIFY(!raw.column("not-a-uuid", "videoPath").isNull());
        QCOMPARE(raw.column(braced, "progress").toDouble(), 0.5);
        QCOMPARE(raw.column(braced, "createdAt").toString(), QStringLiteral("garbage date"));
    }

    // A store from before the mix options opens, its jobs read with both
    // options off, and the options of a job set later survive a reopen.
    void storeOfTheFirstSchemaUpgrades()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("jobs.sqlite");
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        {
            RawJobTable raw(path);
            QVERIFY(raw.exec("CREATE TABLE jobs (id TEXT PRIMARY KEY UNIQUE NOT NULL, videoPath TEXT, audioPaths TEXT,"
                             " outputPath TEXT, progress REAL, statusValue INTEGER, statusMessage TEXT,"
                             " createdAt TEXT, videoBookmark BLOB)"));
            QVERIFY(raw.exec("PRAGMA user_version = 1"));
            QVERIFY(raw.insertRow(validRow(id, "2024-01-01T00:00:00.000Z")));
        }
        const MixOptions set {-16.0, -1.5, true};
        for (const MixOptions& expected : {MixOptions {}, set}) {
            auto store = openStore(path);
            QVERIFY(store);
            QCOMPARE(store->schemaVersion(), 2);
            MixJob* job = store->find(QUuid::fromString(id));
            QVERIFY(job && job->mixOptions() == expected);
            job->setMixOptions(set);
        }
    }

    void statusCodesAndFilters_data()
    {
        QTest::addColumn<qint64>("statusValue");
        QTest::addColumn<int>("reads"); // JobStatus
        QTest::addColumn<bool>("waiting"); // an unknown code reads pending and is picked to run
        QTest::addColumn<bool>("completed");
        QTest::newRow("0 pending") << qint64(0) << int(JobStatus::pending) << true << false;
        QTest::newRow("2 paused") << qint64(2) << int(JobStatus::paused) << true << false;
        QTest::newRow("3 completed") << qint64(3) << int(JobStatus::completed) << false << true;
        QTest::newRow("4 failed") << qint64(4) << int(JobStatus::failed) << false << false;
        QTest::newRow("6 unknown") << qint64(6) << int(JobStatus::pending) << true << false;
    }
    void statusCodesAndFilters()
    {
        QFETCH(qint64, statusValue);
        QFETCH(int, reads);
        QFETCH(bool, waiting);
        QFETCH(bool, completed);
        QTemporaryDir dir;
        auto store = openStore(dir.filePath("jobs.sqlite"));
        QVERIFY(store);
        MixJob* job = newJob("/v/a.mp4");
        MixJob* other = newJob("/v/b.mp4");
        other->setStatus(JobStatus::processing);
        store->insert(job);
        store->insert(other);
        QVERIFY(store->save());

        // Visible to fetches at once, before anything is written; writing the
        // value it already has leaves nothing to write. (Status codes, known
        // or not, survive a restart in reopenKeepsAllFields.)
        job->setStatusValue(statusValue);
        QCOMPARE(store->hasPendingChanges(), statusValue != 0);
        QCOMPARE(int(job->status()), reads);
        QCOMPARE(store->fetchCount(), 2);
        QCOMPARE(store->fetchCount(JobFilters::completed), completed ? 1 : 0);
        QCOMPARE(store->fetchCount(JobFilters::waiting), waiting ? 1 : 0);
        QCOMPARE(store->fetch(JobFilters::waiting, JobStore::Sort::createdAtAscending)->size(), waiting ? 1 : 0);
    }

    // Removal and coalesced writes on one stored pair of jobs.
    void removalAndCoalescedWritesReachDisk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("jobs.sqlite");
        auto store = openStore(path);
        QVERIFY(store);
        MixJob* gone = newJob("/v/gone.mp4");
        MixJob* kept = newJob("/v/kept.mp4");
        store->insert(kept);
        store->insert(gone);
        QVERIFY(store->save());
        MixJob* neverSaved = newJob("/v/never.mp4");
        store->insert(neverSaved);
        const QString id = kept->id().toString(QUuid::WithoutBraces);
        RawJobTable raw(path);

        // Removing a saved job and one never written leaves only the kept row.
        QSignalSpy removed(store.get(), &JobStore::removed);
        const QUuid goneId = gone->id();
        store->remove(gone);
        store->remove(neverSaved);
        QCOMPARE(removed.count(), 2);
        QCOMPARE(removed.first().first().toUuid(), goneId);
        QCOMPARE(store->fetchCount(), 1);
        QCOMPARE(store->find(goneId), nullptr);
        QVERIFY(store->save());
        QCOMPARE(raw.scalar("SELECT count(*) FROM jobs").toInt(), 1);
        QCOMPARE(raw.scalar("SELECT videoPath FROM jobs").toString(), QStringLiteral("/v/kept.mp4"));

        // A thousand progress updates cost one write, made on a later turn of
        // the event loop. (What still waits when the store closes is written
        // then: reopenKeepsAllFields, and the quit in tst_app_lifecycle.)
        store->setFlushDelayMs(0);
        QSignalSpy flushed(store.get(), &JobStore::flushed);
        for (int i = 1; i <= 1000; ++i)
            kept->setProgress(i / 1000.0f);
        kept->setStatusMessage("Exporting...");
        QCOMPARE(raw.column(id, "progress").toDouble(), 0.0);
        QVERIFY(flushed.wait(5000));
        QCoreApplication::processEvents(); // any further queued flush would run here
        QCOMPARE(flushed.count(), 1);
        QCOMPARE(raw.column(id, "progress").toDouble(), 1.0);
        QCOMPARE(raw.column(id, "statusMessage").toString(), QStringLiteral("Exporting..."));
    }

    // Another program holding the lock: a save gives up at once (the window
    // must not freeze) and goes through by itself once the lock is gone; an
    // open meanwhile reports the lock, not a file that is no job store.
    void anotherProgramsLock()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("jobs.sqlite");
        auto store = openStore(path, 0);
        QVERIFY(store);
        MixJob* job = newJob("/v/a.mp4");
        store->insert(job);
        QVERIFY(store->save());
        const QString id = job->id().toString(QUuid::WithoutBraces);
        {
            RawJobTable locker(path);
            QVERIFY(locker.exec("BEGIN EXCLUSIVE"));
            job->setStatusMessage("Finished");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("saving failed"));
            QVERIFY(!store->save());
            QVERIFY(locker.exec("ROLLBACK"));
        }
        QTRY_COMPARE(RawJobTable(path).column(id, "statusMessage").toString(), QStringLiteral("Finished"));
        store.reset();

        RawJobTable locker(path);
        for (const char* sql : {"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE", "UPDATE jobs SET progress = 1", "COMMIT"})
            QVERIFY(locker.exec(sql));
        const auto opened = JobStore::open(path);
        QVERIFY(!opened && opened.error().locked);
        QVERIFY2(opened.error().text.contains("locked by another program"), qPrintable(opened.error().text));
    }

    void refusesFilesItCannotUse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("errorMentions");
        QTest::newRow("newer schema") << "newer" << "newer";
        QTest::newRow("another program's database") << "foreign" << "another program";
        QTest::newRow("folder") << "folder" << "folder";
    }
    void refusesFilesItCannotUse()
    {
        QFETCH(QString, kind);
        QFETCH(QString, errorMentions);
        QTemporaryDir dir;
        const QString path = dir.filePath("jobs.sqlite");
        if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else {
            RawJobTable raw(path);
            QVERIFY(raw.exec("CREATE TABLE notes (body TEXT)"));
            QVERIFY(raw.exec("INSERT INTO notes VALUES ('keep me')"));
            if (kind == "newer")
                QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version = %1").arg(JobStore::currentSchemaVersion + 1)));
        }
        const QByteArray before = testtools::readFile(path);
        const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

        const auto opened = JobStore::open(path);
        QVERIFY(!opened);
        const QString error = opened.error().text;
        QVERIFY2(error.contains(errorMentions, Qt::CaseInsensitive), qPrintable(error));
        QVERIFY2(error.contains("jobs.sqlite"), qPrintable(error));
        QCOMPARE(testtools::readFile(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), entriesBefore);
    }
};

QTEST_GUILESS_MAIN(TestJobStore)
#include "tst_job_store.moc"
