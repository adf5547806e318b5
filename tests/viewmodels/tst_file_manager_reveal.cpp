// Revealing a movie: the FileManager1 call on a private session bus when a
// file manager serves it, and the containing folder opened when none does.

#include "platform/FileManagerReveal.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QTest>

namespace {

// Stands in for the desktop's file manager.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

} // namespace

class TestFileManagerReveal : public QObject {
    Q_OBJECT
private slots:
    void revealsThroughTheFileManagerOrOpensTheFolder();
};

void TestFileManagerReveal::revealsThroughTheFileManagerOrOpensTheFolder()
{
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!bus.waitForStarted(5000))
        QSKIP("dbus-daemon is not available");
    QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 5000);
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
        QDBusConnection caller = QDBusConnection::connectToBus(address, "caller");
        QDBusConnection server = QDBusConnection::connectToBus(address, "server");
        QVERIFY(caller.isConnected() && server.isConnected());
        QList<QUrl> opened;
        FileManagerReveal reveal(caller, [&opened](const QUrl& folder) { opened << folder; });
        const QUrl movie = QUrl::fromLocalFile("/home/me/Movies/beach mix_mix_1.mp4");
        const QList<QUrl> folder {QUrl::fromLocalFile("/home/me/Movies")};

        reveal.reveal(movie); // nobody serves FileManager1 yet
        QTRY_COMPARE(opened, folder);

        FakeFileManager fileManager;
        QVERIFY(server.registerObject("/org/freedesktop/FileManager1", &fileManager, QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService("org.freedesktop.FileManager1"));
        reveal.reveal(movie);
        QTRY_COMPARE(fileManager.shown, QStringList {"file:///home/me/Movies/beach%20mix_mix_1.mp4"});
        // Once the call's watcher is gone its reply has been handled.
        QTRY_VERIFY(reveal.findChildren<QDBusPendingCallWatcher*>().isEmpty());
        QCOMPARE(opened, folder);
    }
    QDBusConnection::disconnectFromBus("caller");
    QDBusConnection::disconnectFromBus("server");
    bus.kill();
    bus.waitForFinished();
}

QTEST_GUILESS_MAIN(TestFileManagerReveal)
#include "tst_file_manager_reveal.moc"
