// Start-up of the app: the container's construction order and what it does
// with jobs left by an earlier process, and the fatal stop when the job store
// cannot be opened.

#include "app/AppDependencyContainer.h"
#include "models/JobStore.h"
#include "platform/ThermalSource.h"
#include "services/JobService.h"
#include "services/SettingsService.h"
#include "services/ThermalService.h"

#include "TestTools.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {

class FixedThermalSource : public ThermalSource {
public:
    explicit FixedThermalSource(int level) : m_level(level) {}
    int readLevel() override { return m_level; }

private:
    int m_level;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestAppStartup : public QObject {
    Q_OBJECT

private slots:
    void unopenableStoreStopsTheAppAndKeepsTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::addColumn<QString>("cause");
        QTest::newRow("text") << QByteArray("these are my notes, not a database\n") << false << "not a job store";
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\x03garbage\xff\xfe", 14).repeated(200) << false
                                << "not a job store";
        QTest::newRow("read-only data folder") << QByteArray() << true << "loopcaster cannot be written";
    }

    // The console line and a dialog name the file and the cause; the app
    // waits on the dialog (a quit signal closes it) and the file stays as it was.
    void unopenableStoreStopsTheAppAndKeepsTheFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, readOnlyFolder);
        QFETCH(QString, cause);
        if (readOnlyFolder && ::geteuid() == 0)
            QSKIP("root writes to read-only folders");
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkpath("loopcaster"));
        const QString storePath = data.filePath("loopcaster/jobs.sqlite");
        if (readOnlyFolder) {
            QString error;
            QVERIFY2(JobStore::open(storePath, &error), qPrintable(error));
            contents = readAll(storePath);
            QVERIFY(QFile::setPermissions(data.filePath("loopcaster"), QFile::ReadOwner | QFile::ExeOwner));
        } else {
            QFile f(storePath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        const QStringList before = QDir(data.filePath("loopcaster")).entryList(QDir::Files);
        const auto writable = qScopeGuard([&] {
            QFile::setPermissions(data.filePath("loopcaster"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", data.path());
        env.insert("XDG_CONFIG_HOME", data.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", data.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        app.setProcessEnvironment(env);
        app.start(LOOPCASTER_APP_BINARY, {});
        QTRY_VERIFY_WITH_TIMEOUT(app.canReadLine(), 20000);
        const QString out = QString::fromUtf8(app.readLine()).trimmed();
        QVERIFY2(out.startsWith("Failed to create ModelContainer: " + storePath + ": ") && out.contains(cause),
                 qPrintable(out));
        QCOMPARE(app.state(), QProcess::Running); // the dialog is up
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 1);
        QCOMPARE(readAll(storePath), contents);
        QCOMPARE(QDir(data.filePath("loopcaster")).entryList(QDir::Files), before);
    }

    void firstLaunchIsEmptyAndIdle()
    {
        QTemporaryDir dir;
        QString error;
        auto store = JobStore::open(dir.filePath("jobs.sqlite"), &error);
        QVERIFY2(store, qPrintable(error));
        AppDependencyContainer::Overrides o;
        o.settings = std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        o.thermalSource = std::make_unique<FixedThermalSource>(0);
        AppDependencyContainer c(std::move(store), std::move(o));

        QVERIFY(c.isInitialized());
        QVERIFY(!c.settingsService().playlistFolderURL());
        QVERIFY(!c.settingsService().outputFolderURL());
        QVERIFY(c.settingsService().availableSongs().isEmpty());
        QCOMPARE(c.modelContainer().fetchCount().value_or(-1), 0);
        QVERIFY(!c.jobService().isProcessing());
    }

    // The thermal level is read before the job service's first pass, and a
    // job left running by a process that ended is failed, not restarted.
    void leftoverJobsAtStart()
    {
        QTemporaryDir dir;
        const QString storePath = dir.filePath("jobs.sqlite");
        {
            QString error;
            auto store = JobStore::open(storePath, &error);
            QVERIFY2(store, qPrintable(error));
            auto* running = new MixJob(QUrl::fromLocalFile(dir.filePath("gone.mp4")), {});
            running->setStatus(JobStatus::processing);
            running->setStatusMessage("Remuxing... 40%");
            store->insert(running);
            QVERIFY(store->save());
        }
        QString error;
        auto store = JobStore::open(storePath, &error);
        QVERIFY2(store, qPrintable(error));
        AppDependencyContainer::Overrides o;
        o.settings = std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        o.thermalSource = std::make_unique<FixedThermalSource>(2);
        AppDependencyContainer c(std::move(store), std::move(o));

        QCOMPARE(c.thermalService().currentState(), ThermalState::serious);
        const QList<MixJob*> jobs = c.modelContainer().fetch().value();
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs.first()->status(), JobStatus::failed);
        QCOMPARE(jobs.first()->statusMessage(), QString("Interrupted"));
        QVERIFY(!c.jobService().isProcessing());
    }
};

QTEST_MAIN(TestAppStartup)
#include "tst_app_startup.moc"
