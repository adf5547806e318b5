#include "services/NotificationService.h"

#include "platform/ConsoleLine.h"
#include "services/ServicesLog.h"
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUuid>
#include <QVariantMap>

#include <cstdio>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

}

NotificationService::NotificationService(QObject* parent) : QObject(parent) {}

NotificationService::~NotificationService() = default;

void NotificationService::setFallback(Fallback fallback) { m_fallback = std::move(fallback); }

void NotificationService::setSink(Sink sink) { m_sink = std::move(sink); }

// The freedesktop protocol has no permission step; the nearest equivalent is
// finding out once whether a notification server answers at all.
void NotificationService::requestPermission()
{
    m_permissionRequested = true;
    emit permissionRequested();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_serverAvailable = false;
        printConsoleLine(lcServices(), QStringLiteral("Notification permission error: ") + bus.lastError().message());
        return;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                             QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            m_serverAvailable = false;
            printConsoleLine(lcServices(), QStringLiteral("Notification permission error: ") + w->error().message());
        }
    });
}

void NotificationService::sendNotification(const QString& title, const QString& body,
                                           const QString& sound)
{
    if (!m_permissionRequested)
        requestPermission(); // the first delivery follows right after
    const Notification n {QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), title, body,
                          sound};
    if (m_sink) {
        m_sink(n);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_serverAvailable || !bus.isConnected()) {
        deliverToFallback(n);
        return;
    }

    QVariantMap hints;
    if (!n.sound.isEmpty())
        hints.insert(QStringLiteral("sound-name"), n.sound);
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.loopcaster.Loopcaster"));
    hints.insert(QStringLiteral("x-loopcaster-id"), n.identifier);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("Notify"));
    // replaces_id 0: every notification stands on its own; timeout -1: the server's default.
    call << QStringLiteral("Loopcaster") << uint(0) << QString() << n.title << n.body
         << QStringList() << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, n](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (!w->isError())
            return;
        printConsoleLine(lcServices(), QStringLiteral("Error sending notification: ") + w->error().message());
        // The user should still learn that the queue finished.
        deliverToFallback(n);
    });
}

void NotificationService::deliverToFallback(const Notification& n)
{
    if (m_fallback)
        m_fallback(n.title, n.body);
}
