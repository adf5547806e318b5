// The worker's contract without media: error texts, crossfade text,
// per-thread nice values and the one-end rule of a progress stream.

#include "platform/ThreadPriority.h"
#include "services/RemuxRun.h"
#include "services/RemuxWorker.h"

#include <QtTest>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

Q_DECLARE_METATYPE(RemuxError::Kind)
Q_DECLARE_METATYPE(TaskPriority)

namespace {

// A worker whose run is a script of end calls, as the queue's tests use it.
class ScriptedWorker : public RemuxWorker {
public:
    QStringList script;
    RemuxProgress* remux(const QUrl&, const QList<QUrl>&, const QUrl&, double) override
    {
        RemuxProgress* p = makeProgress();
        QMetaObject::invokeMethod(this, [this, p] {
            for (const QString& step : script) {
                if (step == QLatin1String("finish"))
                    finish(p);
                else
                    fail(p, RemuxError::exportFailed(step));
            }
        }, Qt::QueuedConnection);
        return p;
    }
};

} // namespace

class RemuxPlumbingTest : public QObject {
    Q_OBJECT

private slots:
    void errorDescriptions_data()
    {
        QTest::addColumn<RemuxError>("error");
        QTest::addColumn<QString>("description");
        QTest::newRow("composition") << RemuxError::compositionFailed("No valid audio files loaded")
                                     << "Composition error: No valid audio files loaded";
        QTest::newRow("export") << RemuxError::exportFailed("avformat_open_input(a.mp3): No such file or directory")
                                << "Export error: avformat_open_input(a.mp3): No such file or directory";
        QTest::newRow("cancelled") << RemuxError::cancelled() << "Remux cancelled";
    }
    void errorDescriptions()
    {
        QFETCH(RemuxError, error);
        QFETCH(QString, description);
        QCOMPARE(error.errorDescription(), description);
        QCOMPARE(error.localizedDescription(), description);
    }

    void crossfadeText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 3.0 << "3.0";
        QTest::newRow("half") << 2.5 << "2.5";
        QTest::newRow("large whole") << 100000.0 << "100000.0";
        QTest::newRow("not a short decimal") << (0.1 + 0.2) << "0.30000000000000004";
        QTest::newRow("zero") << 0.0 << "0.0";
    }
    void crossfadeText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(RemuxRun::formatSeconds(seconds), text);
        QCOMPARE(RemuxRun::formatSeconds(seconds).toDouble(), seconds);
    }

    void threadNice_data()
    {
        QTest::addColumn<TaskPriority>("priority");
        QTest::addColumn<int>("nice");
        QTest::newRow("userInitiated") << TaskPriority::userInitiated << 0;
        QTest::newRow("medium") << TaskPriority::medium << 5;
        QTest::newRow("utility") << TaskPriority::utility << 10;
        QTest::newRow("background") << TaskPriority::background << 19;
    }
    void threadNice()
    {
        QFETCH(TaskPriority, priority);
        QFETCH(int, nice);
        if (::getpriority(PRIO_PROCESS, 0) > nice)
            QSKIP("the test runs above this nice value and may not lower it");

        const int mainBefore = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
        bool applied = false;
        int seen = -100;
        int inherited = -100;
        std::thread([&] {
            applied = ThreadPriority::applyToCurrentThread(priority);
            seen = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
            std::thread([&] {
                inherited = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
            }).join();
        }).join();
        QVERIFY(applied);
        QCOMPARE(seen, nice);
        QCOMPARE(inherited, nice);
        // Only the calling thread changes, never the whole process.
        QCOMPARE(::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))), mainBefore);
    }

    void streamEndsOnce_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<int>("finished");
        QTest::addColumn<QStringList>("failures");
        QTest::newRow("finish twice") << QStringList {"finish", "finish"} << 1 << QStringList {};
        QTest::newRow("fail then finish") << QStringList {"disk full", "finish"} << 0 << QStringList {"disk full"};
        QTest::newRow("finish then fail") << QStringList {"finish", "disk full"} << 1 << QStringList {};
        QTest::newRow("fail twice") << QStringList {"first", "second"} << 0 << QStringList {"first"};
    }
    void streamEndsOnce()
    {
        QFETCH(QStringList, script);
        QFETCH(int, finished);
        QFETCH(QStringList, failures);
        ScriptedWorker worker;
        worker.script = script;
        RemuxProgress* progress = worker.remux({}, {}, {}, 3.0);
        QCOMPARE(progress->parent(), &worker);
        QSignalSpy finishedSpy(progress, &RemuxProgress::finished);
        QSignalSpy failedSpy(progress, &RemuxProgress::failed);
        // The script runs in one queued call, so once the stream has ended
        // every later end call has already been made.
        QTRY_VERIFY(progress->isFinished());
        QCOMPARE(finishedSpy.count(), finished);
        QStringList got;
        for (const auto& args : failedSpy)
            got << args.at(0).value<RemuxError>().message();
        QCOMPARE(got, failures);
    }
};

QTEST_GUILESS_MAIN(RemuxPlumbingTest)
#include "tst_remux_plumbing.moc"
