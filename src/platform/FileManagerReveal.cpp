#include "platform/FileManagerReveal.h"

#include "platform/PlatformLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLoggingCategory>

FileManagerReveal::FileManagerReveal(QDBusConnection bus, OpenFolder openFolder, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_openFolder(std::move(openFolder))
{
    if (!m_openFolder)
        m_openFolder = [](const QUrl& folder) { QDesktopServices::openUrl(folder); };
}

void FileManagerReveal::reveal(const QUrl& file)
{
    if (!m_bus.isConnected()) {
        openContainingFolder(file);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList {file.toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous so a slow or activating file manager never stalls the window.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, file] {
        watcher->deleteLater();
        const QDBusPendingReply<> reply = *watcher;
        if (reply.isError()) {
            qCInfo(lcPlatform) << "FileManager1.ShowItems failed:" << reply.error().message();
            openContainingFolder(file);
        }
    });
}

void FileManagerReveal::openContainingFolder(const QUrl& file)
{
    m_openFolder(QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath()));
}
