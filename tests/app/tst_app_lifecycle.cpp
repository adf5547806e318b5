// The app binary across processes: quit signals mid-render keep the job for
// the next start, a killed process leaves nothing behind after a restart,
// and a second launch hands its files to the first instead of running a
// second scheduler on the same store.

#include "models/JobStore.h"

#include "TestTools.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

class AppInstance {
public:
    explicit AppInstance(const QString& home, const QString& workingFolder = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", home + "/data");
        env.insert("XDG_CONFIG_HOME", home + "/config");
        env.insert("XDG_RUNTIME_DIR", home);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        if (!workingFolder.isEmpty())
            process.setWorkingDirectory(workingFolder);
    }
    ~AppInstance()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    void start(const QStringList& args = {}) { process.start(LOOPCASTER_APP_BINARY, args); }
    void signal(int sig) { ::kill(pid_t(process.processId()), sig); }
    QProcess process;
};

QStringList hiddenFiles(const QString& folder)
{
    return QDir(folder).entryList({".*"}, QDir::Files | QDir::Hidden);
}

std::unique_ptr<JobStore> openStore(const QString& home)
{
    QString error;
    auto store = JobStore::open(home + "/data/loopcaster/jobs.sqlite", &error);
    if (!store)
        qWarning("store: %s", qPrintable(error));
    return store;
}

} // namespace

class TestAppLifecycle : public QObject {
    Q_OBJECT
    QTemporaryDir m_media;
    QList<QUrl> m_songs;
    QUrl m_clip;

private slots:
    void initTestCase()
    {
        QString error;
        for (int i = 0; i < 3; ++i) {
            const QString path = m_media.filePath(QStringLiteral("song%1.wav").arg(i));
            QVERIFY2(testtools::makeTone(path, 60, 330 + 110 * i, 44100, {}, &error), qPrintable(error));
            m_songs << QUrl::fromLocalFile(path);
        }
        const QString clip = m_media.filePath("clip.mp4");
        QVERIFY2(testtools::makeClip(clip, 1, 160, 120, 25, {"-c:v", "libx264"}, &error), qPrintable(error));
        m_clip = QUrl::fromLocalFile(clip);
    }

    void stopMidRenderThenRestart_data()
    {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }

    // A quit signal puts the running job back to "Waiting..." and the next
    // start finishes it; a killed process leaves the job "processing" and
    // its temporaries, which the next start fails as "Interrupted" and removes.
    void stopMidRenderThenRestart()
    {
        QFETCH(int, sig);
        QTemporaryDir home;
        const QString out = home.filePath("out");
        QVERIFY(QDir().mkpath(out));
        const QString movie = out + "/clip_mix_1.mp4";
        QUuid id;
        {
            auto store = openStore(home.path());
            QVERIFY(store);
            auto* job = new MixJob(m_clip, m_songs);
            job->setOutputPath(movie);
            id = job->id();
            store->insert(job);
            QVERIFY(store->save());
        }

        {
            AppInstance app(home.path());
            app.start();
            QTRY_VERIFY_WITH_TIMEOUT(!hiddenFiles(out).isEmpty(), 30000); // the export is under way
            if (sig == SIGKILL) // the record shows processing before the kill
                QTRY_VERIFY_WITH_TIMEOUT(openStore(home.path())->find(id)->status() == JobStatus::processing, 5000);
            app.signal(sig);
            QVERIFY(app.process.waitForFinished(10000));
            if (sig != SIGKILL) {
                QCOMPARE(app.process.exitStatus(), QProcess::NormalExit);
                QCOMPARE(app.process.exitCode(), 0);
                QCOMPARE(hiddenFiles(out), QStringList());
            }
        }
        {
            auto store = openStore(home.path());
            MixJob* job = store->find(id);
            QVERIFY(job);
            QCOMPARE(job->status(), sig == SIGKILL ? JobStatus::processing : JobStatus::pending);
            if (sig != SIGKILL)
                QCOMPARE(job->statusMessage(), QStringLiteral("Waiting..."));
            QVERIFY(!QFileInfo::exists(movie));
        }

        AppInstance again(home.path());
        again.start();
        if (sig == SIGKILL)
            QTRY_VERIFY_WITH_TIMEOUT(hiddenFiles(out).isEmpty(), 20000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out + "/clip_mix_1.txt"), 60000);
        again.signal(SIGTERM);
        QVERIFY(again.process.waitForFinished(10000));
        QCOMPARE(again.process.exitCode(), 0);

        auto store = openStore(home.path());
        MixJob* job = store->find(id);
        if (sig == SIGKILL) {
            QCOMPARE(job->status(), JobStatus::failed);
            QCOMPARE(job->statusMessage(), QStringLiteral("Interrupted"));
            QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
        } else {
            QCOMPARE(job->status(), JobStatus::completed);
            QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                     (QStringList {"clip_mix_1.mp4", "clip_mix_1.txt"}));
            QCOMPARE(testtools::decodeErrors(movie), QString());
        }
    }

    void secondLaunchHandsOverItsFiles_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expectedLine");
        QTest::newRow("relative and absolute files, options left out")
            << QStringList {"sub/clip.mp4", "--verbose", "/abs/photo.png"}
            << "Files from another launch: %1/sub/clip.mp4, /abs/photo.png";
        QTest::newRow("no files: only brings the window forward") << QStringList() << QString();
    }

    void secondLaunchHandsOverItsFiles()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expectedLine);
        QTemporaryDir home;
        const QString work = home.filePath("work");
        QVERIFY(QDir().mkpath(work));

        AppInstance first(home.path());
        first.start();
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(home.path()).entryList({"loopcaster-*.sock"}, QDir::System).isEmpty(), 20000);

        AppInstance second(home.path(), work);
        second.start(args);
        QVERIFY(second.process.waitForFinished(10000));
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
        QCOMPARE(second.process.readAllStandardOutput(), QByteArray());

        QByteArray out;
        if (!expectedLine.isEmpty()) {
            const QString line = expectedLine.contains("%1") ? expectedLine.arg(work) : expectedLine;
            QTRY_VERIFY_WITH_TIMEOUT((out += first.process.readAllStandardOutput()).contains(line.toUtf8()), 5000);
        }
        first.signal(SIGTERM);
        QVERIFY(first.process.waitForFinished(10000));
        QCOMPARE(first.process.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAppLifecycle)
#include "tst_app_lifecycle.moc"
