// What the user is told: toast lifetimes on a clock the test advances, so the
// exact moment a toast leaves is checked without waiting for it; and
// notifications, which fall back to the in-app display when no session bus
// answers (the bus address points nowhere for this whole process).

#include "QueueTestKit.h"

#include "services/NotificationService.h"
#include "services/ToastManager.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

class TestToastManager : public QObject {
    Q_OBJECT
private slots:
    // Steps: "show:<text>@<second>", "show0:<text>@<second>" (duration 0) or
    // "dismiss@<second>"; checks: "<second>=<text|<none>>". Toasts last 3 s.
    void timeline_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("checks");
        QTest::newRow("different text replaces; first timer leaves it")
            << QStringList {"show:Added 1 file@0", "show:Started 1 job@1"}
            << QStringList {"0.5=Added 1 file", "1=Started 1 job", "3=Started 1 job", "3.999=Started 1 job",
                            "4=<none>"};
        QTest::newRow("same text: the first timer removes the second")
            << QStringList {"show:Added 1 file@0", "show:Added 1 file@1"}
            << QStringList {"2.999=Added 1 file", "3=<none>", "4=<none>"};
        QTest::newRow("dismissed by hand, timer has no effect")
            << QStringList {"show:Added 2 files@0", "dismiss@1", "show:Started 2 jobs@2.5"}
            << QStringList {"1=<none>", "3=Started 2 jobs", "5.499=Started 2 jobs", "5.5=<none>"};
        QTest::newRow("duration zero") << QStringList {"show0:Gone@0"} << QStringList {"0=<none>"};
    }

    void timeline()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, checks);
        ManualClock clock;
        ToastManager m(clock.timer());
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
    }

    void eachToastIsDistinct()
    {
        ManualClock clock;
        ToastManager m(clock.timer());
        QSignalSpy changed(&m, &ToastManager::activeToastChanged);
        m.show("Same", ToastType::warning, 3.0);
        const Toast first = *m.activeToast();
        m.show("Same", ToastType::warning, 3.0);
        QCOMPARE(changed.count(), 2); // a fresh id makes the second toast a new value
        QVERIFY(first.id != m.activeToast()->id);
        m.dismiss();
        m.dismiss();
        QCOMPARE(changed.count(), 3);
    }

    void notificationFallsBackWithoutAServer()
    {
        NotificationService& service = NotificationService::shared();
        QStringList shown;
        service.setFallback([&](const QString& title, const QString& body) { shown << title + ": " + body; });
        service.sendNotification("Queue Finished", "All jobs have been processed successfully.");
        QTRY_COMPARE(shown, QStringList {"Queue Finished: All jobs have been processed successfully."});
        QVERIFY(!service.isServerAvailable());
    }
};

int main(int argc, char** argv)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/loopcaster-test-bus");
    QCoreApplication app(argc, argv);
    TestToastManager t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_toast_manager.moc"
