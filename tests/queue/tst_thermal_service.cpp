// Thermal level mapping, change notification, polling, and the kernel's
// thermal zones.

#include "QueueTestKit.h"
#include "TestTools.h"

#include "platform/SysfsThermalSource.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestThermalService : public QObject {
    Q_OBJECT
private slots:
    void levelSequences_data();
    void levelSequences();
    void readsAtOnceThenOnEveryPoll();
    void sysfsZones_data();
    void sysfsZones();
};

void TestThermalService::levelSequences_data()
{
    QTest::addColumn<QList<int>>("levels");
    QTest::addColumn<int>("stateChanges");
    QTest::addColumn<int>("colorChanges");
    QTest::addColumn<int>("finalState");
    QTest::addColumn<QColor>("finalColor");
    const QColor green = ThermalService::colorFor(ThermalState::nominal);
    QTest::newRow("nominal, fair, nominal") << QList<int> {1, 0} << 2 << 0 << 0 << green;
    QTest::newRow("same level again") << QList<int> {0, 0} << 0 << 0 << 0 << green;
    QTest::newRow("fair to serious") << QList<int> {1, 2} << 2 << 1 << 2 << QColor(255, 149, 0);
    QTest::newRow("critical") << QList<int> {3} << 1 << 1 << 3 << QColor(255, 59, 48);
    QTest::newRow("out of range reads nominal") << QList<int> {2, 9, -1} << 2 << 2 << 0 << green;
}

void TestThermalService::levelSequences()
{
    QFETCH(QList<int>, levels);
    QFETCH(int, stateChanges);
    QFETCH(int, colorChanges);
    QFETCH(int, finalState);
    QFETCH(QColor, finalColor);
    auto level = std::make_shared<int>(0);
    ThermalService t(std::make_unique<ScriptedThermalSource>(level), 0);
    QSignalSpy states(&t, &ThermalService::currentStateChanged);
    QSignalSpy colors(&t, &ThermalService::thermalColorChanged);
    for (int l : levels) {
        *level = l;
        t.updateThermalState();
    }
    QCOMPARE(states.count(), stateChanges);
    QCOMPARE(colors.count(), colorChanges);
    QCOMPARE(int(t.currentState()), finalState);
    QCOMPARE(t.thermalColor(), finalColor);
}

// The level is known before the first scheduling pass, then re-read on
// every poll, the wait started afresh each time.
void TestThermalService::readsAtOnceThenOnEveryPoll()
{
    auto level = std::make_shared<int>(2);
    ManualClock clock;
    ThermalService t(std::make_unique<ScriptedThermalSource>(level), ThermalService::defaultPollIntervalMs,
                     clock.timer());
    QCOMPARE(t.currentState(), ThermalState::serious);
    *level = 3;
    clock.advance(ThermalService::defaultPollIntervalMs - 1);
    QCOMPARE(t.currentState(), ThermalState::serious);
    clock.advance(1);
    QCOMPARE(t.currentState(), ThermalState::critical);
    *level = 0;
    clock.advance(ThermalService::defaultPollIntervalMs);
    QCOMPARE(t.currentState(), ThermalState::nominal);
}

// Zones: "temp|type:temp,type:temp;..." in millidegrees.
void TestThermalService::sysfsZones_data()
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
    QTest::newRow("disabled passive trip (0) uses fixed")
        << QStringList {"72000|passive:0,critical:120000"} << 1;
    QTest::newRow("low critical trip lowers the rest") << QStringList {"60000|critical:65000"} << 3;
    QTest::newRow("hottest zone wins") << QStringList {"40000|", "86000|" + trips, "71000|"} << 2;
}

void TestThermalService::sysfsZones()
{
    QFETCH(QStringList, zones);
    QFETCH(int, level);
    QTemporaryDir root;
    for (int z = 0; z < zones.size(); ++z) {
        QDir dir(root.path());
        const QString name = QStringLiteral("thermal_zone%1").arg(z);
        QVERIFY(dir.mkdir(name));
        dir.cd(name);
        const QStringList parts = zones[z].split('|');
        QVERIFY(testtools::writeFile(dir.filePath("temp"), parts[0].toLatin1() + "\n"));
        const QStringList trips = parts.value(1).split(',', Qt::SkipEmptyParts);
        for (int t = 0; t < trips.size(); ++t) {
            const QStringList kv = trips[t].split(':');
            QVERIFY(testtools::writeFile(dir.filePath(QStringLiteral("trip_point_%1_type").arg(t)), kv[0].toLatin1() + "\n"));
            QVERIFY(testtools::writeFile(dir.filePath(QStringLiteral("trip_point_%1_temp").arg(t)), kv[1].toLatin1() + "\n"));
        }
    }
    QDir(root.path()).mkdir("cooling_device0"); // not a zone
    SysfsThermalSource source(root.path());
    QCOMPARE(source.readLevel(), level);
}

QTEST_GUILESS_MAIN(TestThermalService)
#include "tst_thermal_service.moc"
