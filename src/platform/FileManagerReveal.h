#pragma once
// Shows a file selected in the desktop's file manager through the
// freedesktop FileManager1 interface on the session bus. Where no file
// manager answers (none running, none implementing it), the folder that holds
// the file is opened instead, so the user still lands next to it; when that
// fails too, revealFailed says so, for the window to tell the user.

#include <QDBusConnection>
#include <QObject>
#include <QUrl>

#include <functional>

class FileManagerReveal : public QObject {
    Q_OBJECT
public:
    // Opens `folder` and reports, maybe later, whether that worked.
    using OpenFolder = std::function<void(const QUrl& folder, std::function<void(bool opened)> done)>;

    // `openFolder` defaults to the desktop's opener (xdg-open); tests pass
    // their own bus and folder opener.
    explicit FileManagerReveal(QDBusConnection bus = QDBusConnection::sessionBus(), OpenFolder openFolder = {},
                               QObject* parent = nullptr);

    // Returns at once; the bus call and any fallback happen asynchronously.
    void reveal(const QUrl& file);

signals:
    // Neither the file manager nor the folder's opener showed anything.
    void revealFailed(const QUrl& folder);

private:
    void openContainingFolder(const QUrl& file);

    QDBusConnection m_bus;
    OpenFolder m_openFolder;
};
