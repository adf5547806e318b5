#pragma once
// Shows a file selected in the desktop's file manager through the
// freedesktop FileManager1 interface on the session bus. Where no file
// manager answers (none running, none implementing it), the folder that holds
// the file is opened instead, so the user still lands next to it.

#include <QDBusConnection>
#include <QObject>
#include <QUrl>

#include <functional>

class FileManagerReveal : public QObject {
    Q_OBJECT
public:
    using OpenFolder = std::function<void(const QUrl& folder)>;

    // `openFolder` defaults to QDesktopServices::openUrl; tests pass their
    // own bus and folder opener.
    explicit FileManagerReveal(QDBusConnection bus = QDBusConnection::sessionBus(), OpenFolder openFolder = {},
                               QObject* parent = nullptr);

    // Returns at once; the bus call and any fallback happen asynchronously.
    void reveal(const QUrl& file);

private:
    void openContainingFolder(const QUrl& file);

    QDBusConnection m_bus;
    OpenFolder m_openFolder;
};
