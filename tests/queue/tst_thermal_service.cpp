// The thermal level as the queue sees it: read at once, re-read on every
// poll of a clock the test advances, published only on change; and the
// level read from the kernel's thermal zones.

#include "QueueTestKit.h"
#include "TestTools.h"

#include "platform/SysfsThermalSource.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestThermalService : public QObject {
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
};

QTEST_GUILESS_MAIN(TestThermalService)
#include "tst_thermal_service.moc"
