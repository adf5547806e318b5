#include "models/JobStore.h"
#include "models/MixJob.h"

#include "TestTools.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using Setter = std::function<void(MixJob&)>;
Q_DECLARE_METATYPE(Setter)

class TestMixJob : public QObject {
    Q_OBJECT

private slots:
    void creationValues_data();
    void creationValues();
    void displayName_data();
    void displayName();
    void urlsRoundTripOddPaths();
    void settersNotifyOnlyOnChange_data();
    void settersNotifyOnlyOnChange();
    void equalFieldsAreDistinctRecords();
};

void TestMixJob::creationValues_data()
{
    QTest::addColumn<bool>("sourceExists");
    QTest::newRow("existing source gets a bookmark") << true;
    QTest::newRow("missing source has none") << false;
}

void TestMixJob::creationValues()
{
    QFETCH(bool, sourceExists);
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("clip.mp4"));
    if (sourceExists)
        QVERIFY(testtools::writeFile(video, "x"));
    const QStringList songs {dir.filePath(QStringLiteral("b.mp3")), dir.filePath(QStringLiteral("a.mp3"))};

    const QDateTime before = QDateTime::currentDateTimeUtc();
    MixJob job(QUrl::fromLocalFile(video), {QUrl::fromLocalFile(songs[0]), QUrl::fromLocalFile(songs[1])});
    const QDateTime after = QDateTime::currentDateTimeUtc();

    QVERIFY(!job.id().isNull());
    QCOMPARE(job.videoPath(), video);
    QCOMPARE(job.audioPaths(), songs);
    QVERIFY(!job.outputPath());
    QVERIFY(!job.outputURL());
    QCOMPARE(job.progress(), 0.0f);
    QCOMPARE(job.statusValue(), 0);
    QCOMPARE(job.status(), JobStatus::pending);
    QCOMPARE(job.statusMessage(), QStringLiteral("Waiting..."));
    QVERIFY(job.createdAt() >= before && job.createdAt() <= after);
    QCOMPARE(job.videoBookmark().has_value(), sourceExists);
}

void TestMixJob::displayName_data()
{
    QTest::addColumn<QString>("videoPath");
    QTest::addColumn<QString>("expected");
    QTest::newRow("dots in the name") << "/videos/My.Clip.mp4" << "My.Clip";
    QTest::newRow("last extension only") << "/videos/clip.final.mov" << "clip.final";
    QTest::newRow("no extension") << "/videos/noext" << "noext";
    QTest::newRow("hidden file") << "/videos/.clip" << ".clip";
    QTest::newRow("trailing dot") << "/videos/clip." << "clip.";
    QTest::newRow("dot in the folder only") << "/my.videos/clip" << "clip";
    QTest::newRow("spaces and unicode") << "/v/Été à Paris.m4v" << "Été à Paris";
}

void TestMixJob::displayName()
{
    QFETCH(QString, videoPath);
    QFETCH(QString, expected);
    MixJob job(QUrl::fromLocalFile(videoPath), {});
    QCOMPARE(job.displayName(), expected);
}

void TestMixJob::urlsRoundTripOddPaths()
{
    // Characters that mean something in a URL must survive path -> URL -> path.
    const QStringList songs {QStringLiteral("/music/#1 hit.mp3"), QStringLiteral("/music/50% off?.flac"),
                             QStringLiteral("/music/plain.mp3")};
    QList<QUrl> urls;
    for (const QString& s : songs)
        urls.append(QUrl::fromLocalFile(s));
    MixJob job(QUrl::fromLocalFile(QStringLiteral("/v/a #b.mp4")), urls);
    QCOMPARE(job.videoPath(), QStringLiteral("/v/a #b.mp4"));
    QCOMPARE(job.audioPaths(), songs);
    QCOMPARE(job.audioURLs(), urls);

    job.setOutputPath(QStringLiteral("/out/a #b_mix_1.mp4"));
    QVERIFY(job.outputURL().has_value());
    QCOMPARE(job.outputURL()->toLocalFile(), QStringLiteral("/out/a #b_mix_1.mp4"));
}

void TestMixJob::settersNotifyOnlyOnChange_data()
{
    QTest::addColumn<QByteArray>("notify");
    QTest::addColumn<Setter>("set");
    QTest::newRow("videoPath") << QByteArray(SIGNAL(videoPathChanged()))
                               << Setter([](MixJob& j) { j.setVideoPath(QStringLiteral("/other.mov")); });
    QTest::newRow("audioPaths") << QByteArray(SIGNAL(audioPathsChanged()))
                                << Setter([](MixJob& j) { j.setAudioPaths({QStringLiteral("/s.mp3")}); });
    QTest::newRow("outputPath") << QByteArray(SIGNAL(outputPathChanged()))
                                << Setter([](MixJob& j) { j.setOutputPath(QStringLiteral("/o.mp4")); });
    QTest::newRow("outputPath empty is not absent")
        << QByteArray(SIGNAL(outputPathChanged())) << Setter([](MixJob& j) { j.setOutputPath(QString()); });
    QTest::newRow("progress") << QByteArray(SIGNAL(progressChanged()))
                              << Setter([](MixJob& j) { j.setProgress(0.5f); });
    QTest::newRow("statusValue") << QByteArray(SIGNAL(statusValueChanged()))
                                 << Setter([](MixJob& j) { j.setStatusValue(9); });
    QTest::newRow("statusMessage") << QByteArray(SIGNAL(statusMessageChanged()))
                                   << Setter([](MixJob& j) { j.setStatusMessage(QStringLiteral("Finished")); });
    QTest::newRow("videoBookmark") << QByteArray(SIGNAL(videoBookmarkChanged()))
                                   << Setter([](MixJob& j) { j.setVideoBookmark(QByteArray("\0b", 2)); });
}

void TestMixJob::settersNotifyOnlyOnChange()
{
    QFETCH(QByteArray, notify);
    QFETCH(Setter, set);
    MixJob job(QUrl::fromLocalFile(QStringLiteral("/v/clip.mp4")), {});
    QSignalSpy specific(&job, notify.constData());
    QSignalSpy any(&job, &MixJob::changed);

    set(job);
    QCOMPARE(specific.count(), 1);
    QCOMPARE(any.count(), 1);
    QCOMPARE(any.first().first().value<MixJob*>(), &job);

    set(job);
    QCOMPARE(specific.count(), 1);
    QCOMPARE(any.count(), 1);
}

void TestMixJob::equalFieldsAreDistinctRecords()
{
    QTemporaryDir dir;
    QString error;
    auto store = JobStore::open(dir.filePath(QStringLiteral("jobs.sqlite")), &error);
    QVERIFY2(store, qPrintable(error));

    const QUrl video = QUrl::fromLocalFile(QStringLiteral("/v/clip.mp4"));
    const QList<QUrl> songs {QUrl::fromLocalFile(QStringLiteral("/s/a.mp3"))};
    auto* a = new MixJob(video, songs);
    auto* b = new MixJob(video, songs);
    QVERIFY(a->id() != b->id());
    store->insert(a);
    store->insert(b);

    QCOMPARE(store->fetchCount(), 2);
    QCOMPARE(store->find(a->id()), a);
    QCOMPARE(store->find(b->id()), b);
    a->setProgress(0.5f);
    QCOMPARE(b->progress(), 0.0f);
}

QTEST_GUILESS_MAIN(TestMixJob)
#include "tst_mix_job.moc"
