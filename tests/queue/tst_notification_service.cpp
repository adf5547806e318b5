// Notifications fall back to the in-app display when no session bus answers.
// The session bus address points nowhere for this whole process.

#include "services/NotificationService.h"

#include <QCoreApplication>
#include <QTest>

class TestNotificationService : public QObject {
    Q_OBJECT
private slots:
    void fallsBackWithoutANotificationServer()
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
    TestNotificationService t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_notification_service.moc"
