// Revealing a movie: the FileManager1 call on a private session bus when a
// file manager serves it, and the containing folder opened when none does.

#include "platform/FileManagerReveal.h"

#include <QDBusAbstractAdaptor>
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
    void ShowItems(const QStringList& uris, const QString& startupId) { shown += uris; }
};

} // namespace

class TestFileManagerReveal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void reveal_data();
    void reveal();

private:
    QProcess m_bus;
    QString m_address;
};

void TestFileManagerReveal::initTestCase()
{
    m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!m_bus.waitForStarted(5000))
        QSKIP("dbus-daemon is not available");
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 5000);
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
}

void TestFileManagerReveal::cleanupTestCase()
{
    m_bus.kill();
    m_bus.waitForFinished();
}

void TestFileManagerReveal::reveal_data()
{
    QTest::addColumn<bool>("fileManagerRuns");
    QTest::newRow("file manager answers") << true;
    QTest::newRow("no file manager") << false;
}

void TestFileManagerReveal::reveal()
{
    QFETCH(bool, fileManagerRuns);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QDBusConnection callerBus = QDBusConnection::connectToBus(m_address, "caller " + name);
    QDBusConnection serverBus = QDBusConnection::connectToBus(m_address, "server " + name);
    QVERIFY(callerBus.isConnected() && serverBus.isConnected());
    FakeFileManager fileManager;
    if (fileManagerRuns) {
        QVERIFY(serverBus.registerObject("/org/freedesktop/FileManager1", &fileManager, QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService("org.freedesktop.FileManager1"));
    }
    QList<QUrl> opened;
    FileManagerReveal reveal(callerBus, [&opened](const QUrl& folder) { opened << folder; });

    reveal.reveal(QUrl::fromLocalFile("/home/me/Movies/beach mix_mix_1.mp4"));

    if (fileManagerRuns) {
        QTRY_COMPARE(fileManager.shown, QStringList {"file:///home/me/Movies/beach%20mix_mix_1.mp4"});
        // Once the call's watcher is gone its reply has been handled.
        QTRY_VERIFY(reveal.findChildren<QDBusPendingCallWatcher*>().isEmpty());
        QVERIFY(opened.isEmpty());
        serverBus.unregisterService("org.freedesktop.FileManager1");
    } else {
        QTRY_COMPARE(opened, QList<QUrl> {QUrl::fromLocalFile("/home/me/Movies")});
    }
    QDBusConnection::disconnectFromBus("caller " + name);
    QDBusConnection::disconnectFromBus("server " + name);
}

QTEST_GUILESS_MAIN(TestFileManagerReveal)
#include "tst_file_manager_reveal.moc"
