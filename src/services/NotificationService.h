#pragma once
// NotificationService: desktop notifications through the freedesktop
// notification server (org.freedesktop.Notifications on the session bus).
// Never blocks: calls are asynchronous and their errors are only printed.
// Permission (whether a server answers) is asked once, when the first
// notification is due, so a run that notifies nothing prints nothing.
// When no server answers, notifications go to a fallback sink that the GUI
// layer sets (a tray balloon), since the core does not link Widgets.

#include <QObject>
#include <QString>

#include <functional>

class NotificationService : public QObject {
    Q_OBJECT
public:
    struct Notification {
        QString identifier; // fresh upper-case UUID per notification
        QString title;
        QString body;
        QString sound;
    };
    using Sink = std::function<void(const Notification&)>;
    using Fallback = std::function<void(const QString& title, const QString& body)>;

    // The sound name of the freedesktop sound theme used for the default sound.
    static QString defaultSound() { return QStringLiteral("message-new-instant"); }

    // The app's container owns the one instance.
    explicit NotificationService(QObject* parent = nullptr);
    ~NotificationService() override;

    // Returns at once; delivery happens asynchronously.
    void sendNotification(const QString& title, const QString& body,
                          const QString& sound = defaultSound());

    // Where notifications go when no notification server is available.
    void setFallback(Fallback fallback);
    // Replaces the desktop delivery entirely (tests record notifications).
    void setSink(Sink sink);

    // False once the server was found missing (then the fallback is used).
    bool isServerAvailable() const { return m_serverAvailable; }

signals:
    // Permission is being asked: the first notification of the run is due.
    void permissionRequested();

private:
    void requestPermission();
    void deliverToFallback(const Notification& n);

    Sink m_sink;
    Fallback m_fallback;
    bool m_serverAvailable = true;
    bool m_permissionRequested = false;
};
