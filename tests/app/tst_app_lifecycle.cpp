// The app binary across processes: quit signals mid-render keep the job for
// the next start, a killed process leaves nothing behind after a restart, a
// second launch hands its files to the first instead of running a second
// scheduler on the same store, and a job store that cannot be opened stops
// the app without touching the file.

#include "models/JobStore.h"

#include "TestTools.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

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
        process.setWorkingDirectory(workingFolder.isEmpty() ? home : workingFolder);
    }
    void start(const QStringList& args = {}) { process.start(LOOPCASTER_APP_BINARY, args); }
    // Sends `sig` and returns the exit code of an orderly exit (-1 otherwise).
    int stop(int sig = SIGTERM)
    {
        ::kill(pid_t(process.processId()), sig);
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }
    QProcess process;
};

QStringList hiddenFiles(const QString& folder)
{
    return QDir(folder).entryList({".*"}, QDir::Files | QDir::Hidden);
}

std::unique_ptr<JobStore> openStore(const QString& home)
{
    return JobStore::open(home + "/data/loopcaster/jobs.sqlite").valueOr(nullptr);
}

// "status|message", to compare a stored job in one line.
QString state(JobStatus status, const QString& message)
{
    return QString::number(int(status)) + '|' + message;
}

QString storedState(const QString& home, const QUuid& id)
{
    const auto store = openStore(home);
    const MixJob* job = store->find(id);
    return state(job->status(), job->statusMessage());
}

} // namespace

class TestAppLifecycle : public QObject {
    Q_OBJECT
    QTemporaryDir m_media;
    QList<QUrl> m_songs;
    QUrl m_clip;

private slots:
    // Three minutes of songs: the export lasts long enough for a signal to
    // arrive while it writes.
    void initTestCase()
    {
        for (int i = 0; i < 3; ++i) {
            const QString path = m_media.filePath(QStringLiteral("song%1.wav").arg(i));
            QVERIFY(testtools::makeTone(path, 60, 330 + 110 * i, 44100));
            m_songs << QUrl::fromLocalFile(path);
        }
        const QString clip = m_media.filePath("clip.mp4");
        QVERIFY(testtools::makeClip(clip, 1, 160, 120, 25, {"-c:v", "libx264"}));
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
        const bool killed = sig == SIGKILL;
        QTemporaryDir home;
        const QString out = home.filePath("out");
        QVERIFY(QDir().mkpath(out));
        const QString movie = out + "/clip_mix_1.mp4";
        QUuid id;
        {
            auto store = openStore(home.path());
            QVERIFY(store);
            auto* job = new MixJob(m_clip, m_songs, {});
            job->setOutputPath(movie);
            id = job->id();
            store->insert(job);
            QVERIFY(store->save());
        }
        {
            AppInstance app(home.path());
            app.start();
            QTRY_VERIFY_WITH_TIMEOUT(!hiddenFiles(out).isEmpty(), 30000); // the export is under way
            if (killed) // the record shows processing before the kill
                QTRY_VERIFY_WITH_TIMEOUT(openStore(home.path())->find(id)->status() == JobStatus::processing, 5000);
            const int code = app.stop(sig);
            if (!killed) {
                QCOMPARE(code, 0);
                QCOMPARE(hiddenFiles(out), QStringList());
            }
        }
        if (!killed)
            QCOMPARE(storedState(home.path(), id), state(JobStatus::pending, "Waiting..."));
        QVERIFY(!QFileInfo::exists(movie));

        AppInstance again(home.path());
        again.start();
        if (killed)
            QTRY_VERIFY_WITH_TIMEOUT(hiddenFiles(out).isEmpty(), 20000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out + "/clip_mix_1.txt"), 60000);
        QCOMPARE(again.stop(), 0);

        QCOMPARE(storedState(home.path(), id),
                 killed ? state(JobStatus::failed, "Interrupted") : state(JobStatus::completed, "Finished"));
        const QStringList files = killed ? QStringList() : QStringList {"clip_mix_1.mp4", "clip_mix_1.txt"};
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), files);
    }

    // Later launches exit at once with nothing printed: one with files hands
    // them over (relative paths made absolute, options left out), one without
    // only brings the window forward.
    void laterLaunchesHandOverTheirFiles()
    {
        QTemporaryDir home;
        const QString work = home.filePath("work");
        QVERIFY(QDir().mkpath(work));

        AppInstance first(home.path());
        first.start();
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(home.path()).entryList({"loopcaster-*.sock"}, QDir::System).isEmpty(), 20000);

        for (const QStringList& args : {QStringList(), QStringList {"sub/clip.mp4", "--verbose", "/abs/photo.png"}}) {
            AppInstance later(home.path(), work);
            later.start(args);
            QVERIFY(later.process.waitForFinished(10000));
            QCOMPARE(later.process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(later.process.exitCode(), 0);
            QCOMPARE(later.process.readAllStandardOutput(), QByteArray());
        }
        QByteArray out;
        const QString line = QStringLiteral("Files from another launch: %1/sub/clip.mp4, /abs/photo.png").arg(work);
        QTRY_VERIFY_WITH_TIMEOUT((out += first.process.readAllStandardOutput()).contains(line.toUtf8()), 5000);
        QCOMPARE(first.stop(), 0);
    }

    void unopenableStoreStopsTheApp_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: a valid store in a read-only folder
        QTest::addColumn<QString>("cause");
        QTest::newRow("text") << QByteArray("these are my notes, not a database\n") << "not a job store";
        QTest::newRow("read-only data folder") << QByteArray() << "loopcaster cannot be written";
    }

    // The console line and a dialog name the file and the cause; the app
    // waits on the dialog (a quit signal closes it) and the file stays as it was.
    void unopenableStoreStopsTheApp()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, cause);
        const bool readOnly = contents.isEmpty();
        if (readOnly && ::geteuid() == 0)
            QSKIP("root writes to read-only folders");
        QTemporaryDir home;
        const QString folder = home.filePath("data/loopcaster");
        const QString storePath = folder + "/jobs.sqlite";
        QVERIFY(QDir().mkpath(folder));
        if (readOnly) {
            QVERIFY(openStore(home.path()));
            contents = testtools::readFile(storePath);
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else {
            QVERIFY(testtools::writeFile(storePath, contents));
        }
        const QStringList before = QDir(folder).entryList(QDir::Files);
        const auto writable = qScopeGuard([&] {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });

        AppInstance app(home.path());
        app.start();
        QTRY_VERIFY_WITH_TIMEOUT(app.process.canReadLine(), 20000);
        const QString line = QString::fromUtf8(app.process.readLine()).trimmed();
        QVERIFY2(line.startsWith("Failed to create ModelContainer: " + storePath + ": ") && line.contains(cause),
                 qPrintable(line));
        QCOMPARE(app.process.state(), QProcess::Running); // the dialog is up
        QCOMPARE(app.stop(), 1);
        QCOMPARE(testtools::readFile(storePath), contents);
        QCOMPARE(QDir(folder).entryList(QDir::Files), before);
    }
};

QTEST_GUILESS_MAIN(TestAppLifecycle)
#include "tst_app_lifecycle.moc"
