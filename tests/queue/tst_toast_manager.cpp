// Toast timing, scaled: one toast second is 400 ms here (wide enough margins
// for a busy machine).

#include "services/ToastManager.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {
constexpr double kMsPerSecond = 400;

// Waits until `seconds` toast seconds have passed since `clock` started.
void waitUntil(const QElapsedTimer& clock, double seconds)
{
    const qint64 target = qint64(seconds * kMsPerSecond);
    while (clock.elapsed() < target)
        QTest::qWait(int(std::max<qint64>(1, target - clock.elapsed())));
}

QString activeText(const ToastManager& m)
{
    return m.activeToast() ? m.activeToast()->message : QStringLiteral("<none>");
}
}

class TestToastManager : public QObject {
    Q_OBJECT
private slots:
    void timeline_data();
    void timeline();
    void eachToastIsDistinct();
};

// Steps: "show:<text>@<second>" or "dismiss@<second>"; checks: "<second>=<text|<none>>".
void TestToastManager::timeline_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("checks");
    QTest::newRow("different text replaces; first timer leaves it")
        << QStringList {"show:Added 1 file@0", "show:Started 1 job@1"}
        << QStringList {"0.5=Added 1 file", "1.5=Started 1 job", "3.5=Started 1 job", "4.6=<none>"};
    QTest::newRow("same text: the first timer removes the second")
        << QStringList {"show:Added 1 file@0", "show:Added 1 file@1"}
        << QStringList {"1.5=Added 1 file", "3.5=<none>"};
    QTest::newRow("dismissed by hand, timer has no effect")
        << QStringList {"show:Added 2 files@0", "dismiss@1", "show:Started 2 jobs@2.5"}
        << QStringList {"1.5=<none>", "3.5=Started 2 jobs", "5.7=<none>"};
    QTest::newRow("duration zero") << QStringList {"show0:Gone@0"} << QStringList {"0.5=<none>"};
}

void TestToastManager::timeline()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, checks);
    ToastManager m(kMsPerSecond);
    QElapsedTimer clock;
    clock.start();
    struct Event { double at; QString action; bool isCheck; };
    QList<Event> events;
    for (const QString& s : steps)
        events.append({s.section('@', -1).toDouble(), s.section('@', 0, -2), false});
    for (const QString& c : checks)
        events.append({c.section('=', 0, 0).toDouble(), c.section('=', 1), true});
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.at < b.at; });
    for (const Event& e : events) {
        waitUntil(clock, e.at);
        if (e.isCheck)
            QCOMPARE(activeText(m), e.action);
        else if (e.action == "dismiss")
            m.dismiss();
        else if (e.action.startsWith("show0:"))
            m.show(e.action.mid(6), ToastType::info, 0);
        else
            m.show(e.action.mid(5), ToastType::success, 3.0);
    }
}

void TestToastManager::eachToastIsDistinct()
{
    ToastManager m(kMsPerSecond);
    QSignalSpy changed(&m, &ToastManager::activeToastChanged);
    m.show("Same", ToastType::warning, 3.0);
    const Toast first = *m.activeToast();
    m.show("Same", ToastType::warning, 3.0);
    QCOMPARE(changed.count(), 2); // a fresh id makes the second toast a new value
    QVERIFY(first.id != m.activeToast()->id);
    QCOMPARE(m.activeToast()->type, ToastType::warning);
    m.dismiss();
    m.dismiss();
    QCOMPARE(changed.count(), 3);
}

QTEST_GUILESS_MAIN(TestToastManager)
#include "tst_toast_manager.moc"
