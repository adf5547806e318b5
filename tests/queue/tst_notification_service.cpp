// Notifications: identifiers, and the fallback when no session bus answers.
// The session bus address points nowhere for this whole process.

#include "services/NotificationService.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TestNotificationService : public QObject {
    Q_OBJECT
private slots:
    void eachNotificationHasAFreshUpperCaseId();
    void fallsBackWithoutANotificationServer();
};

void TestNotificationService::eachNotificationHasAFreshUpperCaseId()
{
    NotificationService service;
    QList<NotificationService::Notification> sent;
    service.setSink([&](const NotificationService::Notification& n) { sent << n; });
    service.sendNotification("Queue Finished", "All jobs have been processed successfully.");
    service.sendNotification("Queue Finished", "All jobs have been processed. 1 failed.");
    QCOMPARE(sent.size(), 2);
    const QRegularExpression upperUuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    QSet<QString> ids;
    for (const auto& n : sent) {
        QVERIFY2(upperUuid.match(n.identifier).hasMatch(), qPrintable(n.identifier));
        ids.insert(n.identifier);
        QCOMPARE(n.sound, NotificationService::defaultSound());
    }
    QCOMPARE(ids.size(), 2);
    QCOMPARE(sent[1].body, QStringLiteral("All jobs have been processed. 1 failed."));
}

void TestNotificationService::fallsBackWithoutANotificationServer()
{
    NotificationService& service = NotificationService::shared();
    QStringList shown;
    service.setFallback([&](const QString& title, const QString& body) { shown << title + ": " + body; });
    service.sendNotification("Queue Finished", "All jobs have been processed successfully.");
    QTRY_COMPARE(shown, QStringList {"Queue Finished: All jobs have been processed successfully."});
    QVERIFY(!service.isServerAvailable());
}

int main(int argc, char** argv)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/loopcaster-test-bus");
    QCoreApplication app(argc, argv);
    TestNotificationService t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_notification_service.moc"
