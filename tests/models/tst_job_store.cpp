#include "RawJobTable.h"

#include "models/JobStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kHour = 3600 * 1000;

std::unique_ptr<JobStore> openStore(const QString& path)
{
    QString error;
    auto store = JobStore::open(path, &error);
    if (!store)
        qWarning().noquote() << "open failed:" << error;
    return store;
}

MixJob* newJob(const QString& video, const QStringList& songs = {})
{
    QList<QUrl> urls;
    for (const QString& s : songs)
        urls.append(QUrl::fromLocalFile(s));
    return new MixJob(QUrl::fromLocalFile(video), urls);
}

QByteArray snapshot(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestJobStore : public QObject {
    Q_OBJECT

private slots:
    void reopenKeepsAllFields_data();
    void reopenKeepsAllFields();
    void statusCodesAndFilters_data();
    void statusCodesAndFilters();
    void sortsByCreationDate();
    void removalReachesDisk();
    void progressWritesCoalesce();
    void refusesFilesItCannotUse_data();
    void refusesFilesItCannotUse();
    void garbageRowsLoadAndStayUntouched();
};

void TestJobStore::reopenKeepsAllFields_data()
{
    QTest::addColumn<bool>("destroyFirst");
    QTest::newRow("saved, first store still open") << false;
    QTest::newRow("first store destroyed without save") << true;
}

void TestJobStore::reopenKeepsAllFields()
{
    QFETCH(bool, destroyFirst);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/jobs.sqlite"));
    auto first = openStore(path);
    QVERIFY(first);
    first->setFlushDelayMs(kHour);

    MixJob* full = newJob(QStringLiteral("/v/Été clip.mov"),
                          {QStringLiteral("/s/\"quoted\".mp3"), QStringLiteral("/s/b,c.flac")});
    full->setOutputPath(QStringLiteral("/out/Été clip_mix_1700000000.mp4"));
    full->setProgress(0.375f);
    full->setStatus(JobStatus::failed);
    full->setStatusMessage(QStringLiteral("Export error: disk full ✗"));
    full->setVideoBookmark(QByteArray("\0bookmark\xff", 10));
    MixJob* bare = newJob(QStringLiteral("/v/still.heic"));
    first->insert(full);
    first->insert(bare);

    // Every stored field, in a form QCOMPARE can print.
    auto fields = [](const MixJob* j) {
        return QVariantList {j->videoPath(), j->audioPaths(), j->outputPath() ? QVariant(*j->outputPath()) : QVariant(),
                             j->progress(), j->statusValue(), j->statusMessage(), j->createdAt(),
                             j->videoBookmark() ? QVariant(*j->videoBookmark()) : QVariant()};
    };
    const QHash<QUuid, QVariantList> expected {{full->id(), fields(full)}, {bare->id(), fields(bare)}};

    if (destroyFirst)
        first.reset();
    else
        QVERIFY(first->save());

    auto second = openStore(path);
    QVERIFY(second);
    QCOMPARE(second->fetchCount(), 2);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const MixJob* j = second->find(it.key());
        QVERIFY(j);
        QCOMPARE(fields(j), it.value());
    }
    QCOMPARE(second->schemaVersion(), JobStore::currentSchemaVersion);
}

void TestJobStore::statusCodesAndFilters_data()
{
    QTest::addColumn<qint64>("statusValue");
    QTest::addColumn<int>("reads"); // JobStatus
    QTest::addColumn<bool>("waiting"); // an unknown code reads pending and is picked to run
    QTest::addColumn<bool>("completed");
    QTest::newRow("0 pending") << qint64(0) << int(JobStatus::pending) << true << false;
    QTest::newRow("1 processing") << qint64(1) << int(JobStatus::processing) << false << false;
    QTest::newRow("2 paused") << qint64(2) << int(JobStatus::paused) << true << false;
    QTest::newRow("3 completed") << qint64(3) << int(JobStatus::completed) << false << true;
    QTest::newRow("4 failed") << qint64(4) << int(JobStatus::failed) << false << false;
    QTest::newRow("5 cancelled") << qint64(5) << int(JobStatus::cancelled) << false << false;
    QTest::newRow("6 unknown") << qint64(6) << int(JobStatus::pending) << true << false;
    QTest::newRow("9 unknown") << qint64(9) << int(JobStatus::pending) << true << false;
    QTest::newRow("-1 unknown") << qint64(-1) << int(JobStatus::pending) << true << false;
    QTest::newRow("huge") << std::numeric_limits<qint64>::max() << int(JobStatus::pending) << true << false;
}

void TestJobStore::statusCodesAndFilters()
{
    QFETCH(qint64, statusValue);
    QFETCH(int, reads);
    QFETCH(bool, waiting);
    QFETCH(bool, completed);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jobs.sqlite"));
    auto store = openStore(path);
    QVERIFY(store);
    store->setFlushDelayMs(kHour);
    MixJob* job = newJob(QStringLiteral("/v/a.mp4"));
    MixJob* other = newJob(QStringLiteral("/v/b.mp4"));
    other->setStatus(JobStatus::processing);
    store->insert(job);
    store->insert(other);
    QVERIFY(store->save());

    // Visible to fetches at once, before anything is written.
    job->setStatusValue(statusValue);
    const QUuid id = job->id();
    auto check = [&](JobStore& s, const QString& when) {
        const MixJob* j = s.find(id);
        QVERIFY2(j, qPrintable(when));
        QCOMPARE(j->statusValue(), statusValue);
        QCOMPARE(int(j->status()), reads);
        QCOMPARE(s.fetchCount(), 2);
        QCOMPARE(s.fetchCount(JobFilters::completed), completed ? 1 : 0);
        QCOMPARE(s.fetchCount(JobFilters::notCompleted), completed ? 1 : 2);
        QCOMPARE(s.fetchCount(JobFilters::waiting), waiting ? 1 : 0);
        const auto picked = s.fetch(JobFilters::waiting, JobStore::Sort::createdAtAscending);
        QVERIFY(picked);
        QCOMPARE(picked->size(), waiting ? 1 : 0);
    };
    check(*store, QStringLiteral("live"));
    QCOMPARE(store->hasPendingChanges(), statusValue != 0);
    store.reset();
    auto reopened = openStore(path);
    QVERIFY(reopened);
    check(*reopened, QStringLiteral("reopened"));
}

void TestJobStore::sortsByCreationDate()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jobs.sqlite"));
    QVERIFY(openStore(path));
    const QStringList dates {QStringLiteral("2024-03-02T10:00:00.000Z"), QStringLiteral("2024-03-01T10:00:00.000Z"),
                             QStringLiteral("2024-03-03T10:00:00.000Z"), QStringLiteral("1709287200500")};
    QStringList ids;
    {
        RawJobTable raw(path);
        for (const QString& date : dates) {
            ids.append(QUuid::createUuid().toString(QUuid::WithoutBraces));
            QVERIFY(raw.insertRow(validRow(ids.last(), date)));
        }
    }
    auto store = openStore(path);
    QVERIFY(store);
    // 1709287200500 ms is 2024-03-01T10:00:00.500Z, just after the second row.
    const QList<int> oldestFirst {1, 3, 0, 2};
    const QList<MixJob*> ascending = *store->fetch({}, JobStore::Sort::createdAtAscending);
    const QList<MixJob*> newest = store->allNewestFirst();
    QCOMPARE(ascending.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(ascending[i]->id(), QUuid::fromString(ids[oldestFirst[i]]));
        QCOMPARE(newest[3 - i], ascending[i]);
    }
}

void TestJobStore::removalReachesDisk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jobs.sqlite"));
    auto store = openStore(path);
    QVERIFY(store);
    store->setFlushDelayMs(kHour);
    MixJob* kept = newJob(QStringLiteral("/v/kept.mp4"));
    MixJob* gone = newJob(QStringLiteral("/v/gone.mp4"));
    MixJob* neverSaved = newJob(QStringLiteral("/v/never.mp4"));
    store->insert(kept);
    store->insert(gone);
    QVERIFY(store->save());
    store->insert(neverSaved);

    QSignalSpy removed(store.get(), &JobStore::removed);
    const QUuid goneId = gone->id();
    store->remove(gone);
    store->remove(neverSaved);
    QCOMPARE(removed.count(), 2);
    QCOMPARE(removed.first().first().toUuid(), goneId);
    QCOMPARE(store->fetchCount(), 1);
    QCOMPARE(store->find(goneId), nullptr);

    QVERIFY(store->save());
    RawJobTable raw(path);
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM jobs")).toInt(), 1);
    QCOMPARE(raw.scalar(QStringLiteral("SELECT videoPath FROM jobs")).toString(), QStringLiteral("/v/kept.mp4"));
}

void TestJobStore::progressWritesCoalesce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jobs.sqlite"));
    auto store = openStore(path);
    QVERIFY(store);
    MixJob* job = newJob(QStringLiteral("/v/a.mp4"));
    store->insert(job);
    QVERIFY(store->save());
    const QString id = job->id().toString(QUuid::WithoutBraces);
    RawJobTable raw(path);

    store->setFlushDelayMs(100);
    QSignalSpy flushed(store.get(), &JobStore::flushed);
    for (int i = 1; i <= 1000; ++i)
        job->setProgress(i / 1000.0f);
    job->setStatusMessage(QStringLiteral("Exporting..."));
    QCOMPARE(raw.column(id, QStringLiteral("progress")).toDouble(), 0.0);

    QVERIFY(flushed.wait(5000));
    QTest::qWait(300);
    QCOMPARE(flushed.count(), 1);
    QCOMPARE(raw.column(id, QStringLiteral("progress")).toDouble(), 1.0);
    QCOMPARE(raw.column(id, QStringLiteral("statusMessage")).toString(), QStringLiteral("Exporting..."));

    // Changes still waiting for their flush are written when the store closes.
    store->setFlushDelayMs(kHour);
    job->setProgress(0.25f);
    job->setStatus(JobStatus::paused);
    store.reset();
    QCOMPARE(raw.column(id, QStringLiteral("progress")).toDouble(), 0.25);
    QCOMPARE(raw.column(id, QStringLiteral("statusValue")).toInt(), 2);
}

void TestJobStore::refusesFilesItCannotUse_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("errorMentions");
    QTest::newRow("text file") << "text" << "not a job store";
    QTest::newRow("random bytes") << "random" << "not a job store";
    QTest::newRow("newer schema") << "newer" << "newer";
    QTest::newRow("another program's database") << "foreign" << "another program";
    QTest::newRow("folder") << "folder" << "folder";
}

void TestJobStore::refusesFilesItCannotUse()
{
    QFETCH(QString, kind);
    QFETCH(QString, errorMentions);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jobs.sqlite"));

    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("newer") || kind == QLatin1String("foreign")) {
        RawJobTable raw(path);
        QVERIFY(raw.exec(QStringLiteral("CREATE TABLE notes (body TEXT)")));
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO notes VALUES ('keep me')")));
        if (kind == QLatin1String("newer"))
            QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version = %1").arg(JobStore::currentSchemaVersion + 1)));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("text")) {
            f.write(QByteArray("my tracklist\n00:00 - Song\n").repeated(200));
        } else {
            QByteArray bytes(64 * 1024, '\0');
            QRandomGenerator gen(7);
            gen.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            f.write(bytes);
        }
    }
    const QByteArray before = snapshot(path);
    const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

    QString error;
    auto store = JobStore::open(path, &error);
    QVERIFY(!store);
    QVERIFY2(error.contains(errorMentions, Qt::CaseInsensitive), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("jobs.sqlite")), qPrintable(error));
    QCOMPARE(snapshot(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), entriesBefore);
}

void TestJobStore::garbageRowsLoadAndStayUntouched()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jobs.sqlite"));
    QVERIFY(openStore(path));
    const QString odd = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString nonStrings = QUuid::createUuid().toString(QUuid::WithoutBraces);
    // An id spelled differently from ours must still be the key of later writes.
    const QString braced = QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
    {
        RawJobTable raw(path);
        QVariantMap row = validRow(odd, QStringLiteral("2024-01-01T00:00:00.000Z"));
        row[QStringLiteral("statusValue")] = 9;
        row[QStringLiteral("audioPaths")] = QStringLiteral("not json");
        QVERIFY(raw.insertRow(row));
        row = validRow(nonStrings, QStringLiteral("2024-01-02T00:00:00.000Z"));
        row[QStringLiteral("audioPaths")] = QStringLiteral("[1, 2]");
        QVERIFY(raw.insertRow(row));
        QVERIFY(raw.insertRow(validRow(QStringLiteral("not-a-uuid"), QStringLiteral("2024-01-03T00:00:00.000Z"))));
        QVERIFY(raw.insertRow(validRow(braced, QStringLiteral("garbage date"))));
    }

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(odd + QStringLiteral(".*audioPaths")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(nonStrings + QStringLiteral(".*audioPaths")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not-a-uuid")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("createdAt")));
    auto store = openStore(path);
    QVERIFY(store);
    store->setFlushDelayMs(kHour);
    QCOMPARE(store->fetchCount(), 3);
    MixJob* job = store->find(QUuid::fromString(odd));
    QVERIFY(job);
    QCOMPARE(job->statusValue(), 9);
    QCOMPARE(job->status(), JobStatus::pending);
    QCOMPARE(job->audioPaths(), QStringList());
    QCOMPARE(store->fetchCount(JobFilters::waiting), 3); // status 9 reads pending and waits too

    job->setStatusMessage(QStringLiteral("Cancelled by user"));
    MixJob* bracedJob = store->find(QUuid::fromString(braced));
    QVERIFY(bracedJob);
    bracedJob->setProgress(0.5f);
    QVERIFY(store->save());

    RawJobTable raw(path);
    QCOMPARE(raw.column(odd, QStringLiteral("statusMessage")).toString(), QStringLiteral("Cancelled by user"));
    QCOMPARE(raw.column(odd, QStringLiteral("audioPaths")).toString(), QStringLiteral("not json"));
    QCOMPARE(raw.column(odd, QStringLiteral("statusValue")).toInt(), 9);
    QCOMPARE(raw.column(nonStrings, QStringLiteral("audioPaths")).toString(), QStringLiteral("[1, 2]"));
    QCOMPARE(raw.column(QStringLiteral("not-a-uuid"), QStringLiteral("videoPath")).isNull(), false);
    QCOMPARE(raw.column(braced, QStringLiteral("progress")).toDouble(), 0.5);
    QCOMPARE(raw.column(braced, QStringLiteral("createdAt")).toString(), QStringLiteral("garbage date"));
}

QTEST_GUILESS_MAIN(TestJobStore)
#include "tst_job_store.moc"
