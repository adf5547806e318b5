// What the queue tells the user, on a clock the test advances: the thermal
// level (polled, published only on change, read from the kernel's zones),
// toasts to the exact moment one leaves, and notifications, shown in the app
// when no session bus answers (this process's bus address points nowhere).

#include "QueueTestKit.h"
#include "TestTools.h"

#include "platform/SysfsThermalSource.h"
#include "services/NotificationService.h"
#include "services/ToastManager.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestHeatAndNotices : public QObject {
    Q_OBJECT
private slots:
    void levelsFollowThePoll_data()
    {
        QTest::addColumn<QList<int>>("levels"); // the first is there at start, then one per poll
        QTest::addColumn<int>("stateChanges");
        QTest::addColumn<int>("colorChanges");
        QTest::addColumn<int>("finalState");
        QTest::addColumn<QColor>("finalColor");
        const QColor green(52, 199, 89), orange(255, 149, 0), red(255, 59, 48);
        QTest::newRow("nominal, fair, nominal") << QList<int> {0, 1, 0} << 2 << 0 << 0 << green;
        QTest::newRow("fair to serious") << QList<int> {0, 1, 2} << 2 << 1 << 2 << orange;
        QTest::newRow("serious at start, then critical") << QList<int> {2, 3} << 1 << 1 << 3 << red;
        QTest::newRow("out of range reads nominal") << QList<int> {0, 2, 9, -1} << 2 << 2 << 0 << green;
    }

    void levelsFollowThePoll()
    {
        QFETCH(QList<int>, levels);
        QFETCH(int, stateChanges);
        QFETCH(int, colorChanges);
        QFETCH(int, finalState);
        QFETCH(QColor, finalColor);
        const int interval = ThermalService::defaultPollIntervalMs;
        auto level = std::make_shared<int>(levels.takeFirst());
        ManualClock clock;
        ThermalService t(std::make_unique<ScriptedThermalSource>(level), interval, clock.timer());
        QSignalSpy states(&t, &ThermalService::currentStateChanged);
        QSignalSpy colors(&t, &ThermalService::thermalColorChanged);
        for (int l : levels) {
            *level = l;
            const ThermalState before = t.currentState();
            clock.advance(interval - 1);
            QCOMPARE(t.currentState(), before);
            clock.advance(1);
        }
        QCOMPARE(states.count(), stateChanges);
        QCOMPARE(colors.count(), colorChanges);
        QCOMPARE(int(t.currentState()), finalState);
        QCOMPARE(t.thermalColor(), finalColor);
    }

    // Zones: "temp|type:temp,type:temp" in millidegrees.
    void sysfsZones_data()
    {
        QTest::addColumn<QStringList>("zones");
        QTest::addColumn<int>("level");
        QTest::newRow("no zones") << QStringList {} << 0;
        QTest::newRow("unreadable temp") << QStringList {"garbage|"} << 0;
        QTest::newRow("fixed: 69 C") << QStringList {"69000|"} << 0;
        QTest::newRow("fixed: 70 C") << QStringList {"70000|"} << 1;
        QTest::newRow("fixed: 85 C") << QStringList {"85000|"} << 2;
        QTest::newRow("fixed: 90 C") << QStringList {"90000|"} << 3;
        const QString trips = "passive:85000,hot:100000,critical:105000";
        QTest::newRow("trips: below passive-10") << QStringList {"74999|" + trips} << 0;
        QTest::newRow("trips: passive-10") << QStringList {"75000|" + trips} << 1;
        QTest::newRow("trips: passive") << QStringList {"85000|" + trips} << 2;
        QTest::newRow("trips: critical-5 below hot") << QStringList {"99000|passive:85000,critical:104000"} << 3;
        QTest::newRow("trips: hot") << QStringList {"100000|" + trips} << 3;
        QTest::newRow("disabled passive trip (0) uses fixed") << QStringList {"72000|passive:0,critical:120000"} << 1;
        QTest::newRow("low critical trip lowers the rest") << QStringList {"60000|critical:65000"} << 3;
        QTest::newRow("hottest zone wins") << QStringList {"40000|", "86000|" + trips, "71000|"} << 2;
    }

    void sysfsZones()
    {
        QFETCH(QStringList, zones);
        QFETCH(int, level);
        QTemporaryDir root;
        for (int z = 0; z < zones.size(); ++z) {
            const QString zone = root.filePath(QStringLiteral("thermal_zone%1/").arg(z));
            const QStringList parts = zones[z].split('|');
            QVERIFY(testtools::writeFile(zone + "temp", parts[0].toLatin1() + "\n"));
            const QStringList trips = parts.value(1).split(',', Qt::SkipEmptyParts);
            for (int t = 0; t < trips.size(); ++t) {
                const QString trip = zone + QStringLiteral("trip_point_%1_").arg(t);
                QVERIFY(testtools::writeFile(trip + "type", trips[t].section(':', 0, 0).toLatin1() + "\n"));
                QVERIFY(testtools::writeFile(trip + "temp", trips[t].section(':', 1).toLatin1() + "\n"));
            }
        }
        QVERIFY(testtools::writeFile(root.filePath("cooling_device0/type"), "Fan\n")); // not a zone
        QCOMPARE(SysfsThermalSource(root.path()).readLevel(), level);
    }

    // Steps: "show:<text>@<second>", "show0:<text>@<second>" (duration 0) or
    // "dismiss@<second>"; checks: "<second>=<text|<none>>". Toasts last 3 s.
    // Every show is a new toast, even with the same text: the view hears of each.
    void toastTimeline_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("checks");
        QTest::addColumn<int>("changes");
        QTest::newRow("different text replaces; first timer leaves it")
            << QStringList {"show:Added 1 file@0", "show:Started 1 job@1"}
            << QStringList {"0.5=Added 1 file", "1=Started 1 job", "3=Started 1 job", "3.999=Started 1 job",
                            "4=<none>"} << 3;
        QTest::newRow("same text: the first timer removes the second")
            << QStringList {"show:Added 1 file@0", "show:Added 1 file@1"}
            << QStringList {"2.999=Added 1 file", "3=<none>", "4=<none>"} << 3;
        QTest::newRow("dismissed by hand, timer has no effect")
            << QStringList {"show:Added 2 files@0", "dismiss@1", "dismiss@1.5", "show:Started 2 jobs@2.5"}
            << QStringList {"1=<none>", "3=Started 2 jobs", "5.499=Started 2 jobs", "5.5=<none>"} << 4;
        QTest::newRow("duration zero") << QStringList {"show0:Gone@0"} << QStringList {"0=<none>"} << 2;
    }

    void toastTimeline()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, checks);
        QFETCH(int, changes);
        ManualClock clock;
        ToastManager m(clock.timer());
        QSignalSpy changed(&m, &ToastManager::activeToastChanged);
        struct Event { qint64 atMs; QString action; bool isCheck; };
        QList<Event> events;
        const auto activeText = [&m] { return m.activeToast() ? m.activeToast()->message : QStringLiteral("<none>"); };
        const auto ms = [](const QString& seconds) { return qint64(std::llround(seconds.toDouble() * 1000)); };
        for (const QString& s : steps)
            events.append({ms(s.section('@', -1)), s.section('@', 0, -2), false});
        for (const QString& c : checks)
            events.append({ms(c.section('=', 0, 0)), c.section('=', 1), true});
        std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.atMs < b.atMs; });
        for (const Event& e : events) {
            clock.advanceTo(e.atMs);
            if (e.isCheck)
                QVERIFY2(activeText() == e.action,
                         qPrintable(QStringLiteral("at %1 ms: %2").arg(e.atMs).arg(activeText())));
            else if (e.action == "dismiss")
                m.dismiss();
            else if (e.action.startsWith("show0:"))
                m.show(e.action.mid(6), ToastType::info, 0);
            else
                m.show(e.action.mid(5), ToastType::success, 3.0);
        }
        QCOMPARE(changed.count(), changes);
    }

    // Start-up sets the fallback and asks nothing; the first queue to finish
    // asks for permission, once. Without a server the fallback tells.
    void notificationPermissionAtTheFirstFinish()
    {
        QueueFixture f;
        QSignalSpy asked(&f.notifier, &NotificationService::permissionRequested);
        JobService& jobs = f.start();
        for (const QString name : {"a", "b"}) {
            QCOMPARE(asked.count(), name == "a" ? 0 : 1);
            jobs.addJob(f.sourceFile(name + ".mov"), {}, QUrl::fromLocalFile(f.dir.path()));
            QTRY_VERIFY(f.workerFor(name));
            f.workerFor(name)->finishRun();
            QTRY_COMPARE(f.notifications.size(), name == "a" ? 1 : 2);
        }
        QCOMPARE(asked.count(), 1);

        NotificationService unsinked;
        QStringList shown;
        unsinked.setFallback([&](const QString& title, const QString& body) { shown << title + ": " + body; });
        unsinked.sendNotification("Queue Finished", "All jobs have been processed successfully.");
        QTRY_COMPARE(shown, QStringList {"Queue Finished: All jobs have been processed successfully."});
        QVERIFY(!unsinked.isServerAvailable());
    }
};

int main(int argc, char** argv)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/loopcaster-test-bus");
    QCoreApplication app(argc, argv);
    TestHeatAndNotices t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_heat_and_notices.moc"
