#include "platform/FileManagerReveal.h"

#include "platform/PlatformLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>

namespace {

// xdg-open rather than a detached launch: its exit status tells whether any
// application took the folder. The process is left to run when the app
// quits first (no parent), as it may be the file manager itself.
void openWithDesktop(const QUrl& folder, std::function<void(bool)> done)
{
    auto* process = new QProcess;
    QObject::connect(process, &QProcess::finished, process, [process, done](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        done(status == QProcess::NormalExit && code == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        done(false);
    });
    process->start(QStringLiteral("xdg-open"), {folder.toLocalFile()});
}

} // namespace

FileManagerReveal::FileManagerReveal(QDBusConnection bus, OpenFolder openFolder, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_openFolder(std::move(openFolder))
{
    if (!m_openFolder)
        m_openFolder = openWithDesktop;
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
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath());
    m_openFolder(folder, [self = QPointer(this), folder](bool opened) {
        if (opened || !self)
            return;
        qCWarning(lcPlatform) << "no application opened" << folder.toLocalFile();
        emit self->revealFailed(folder);
    });
}
