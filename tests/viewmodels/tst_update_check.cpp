// The update check against feeds on disk and an address nobody listens on:
// what the user is told for each kind of feed, and when the quiet daily check
// stays quiet.

#include "TestTools.h"
#include "viewmodels/CheckForUpdatesViewModel.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QVersionNumber running(0, 1, 0);

QString sparkleFeed(const QStringList& versions)
{
    QString items;
    for (const QString& v : versions)
        items += QStringLiteral("<item><title>Loopcaster %1</title>"
                                "<enclosure url=\"https://example.org/loopcaster-%1.tar.gz\" "
                                "sparkle:version=\"%1\" length=\"1\" type=\"application/octet-stream\"/></item>")
                     .arg(v);
    return QStringLiteral("<?xml version=\"1.0\"?><rss version=\"2.0\" "
                          "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
                          "<channel><title>Loopcaster</title>%1</channel></rss>")
        .arg(items);
}

// A feed URL: the text in a file, or (for null text) a port nobody listens on.
QUrl feedUrl(const QTemporaryDir& dir, const QString& text)
{
    if (text.isNull()) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(port));
    }
    const QString path = dir.filePath("appcast.xml");
    if (!testtools::writeFile(path, text.toUtf8()))
        qWarning("cannot write %s", qPrintable(path));
    return QUrl::fromLocalFile(path);
}

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    void userCheck_data();
    void userCheck();
    void scheduledCheckSpeaksOnlyOfNews_data();
    void scheduledCheckSpeaksOnlyOfNews();
    void noFeedNoCheck();
};

void TestUpdateCheck::userCheck_data()
{
    QTest::addColumn<QString>("feed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("says");
    const QString newer = "A New Version Is Available";
    const QString current = "You're Up to Date";
    const QString failed = "Update Check Failed";
    QTest::newRow("newer, listed out of order") << sparkleFeed({"0.2.0", "0.0.9"}) << newer
                                                << "https://example.org/loopcaster-0.2.0.tar.gz";
    QTest::newRow("same") << sparkleFeed({"0.1.0"}) << current << "0.1.0 is the newest";
    QTest::newRow("older") << sparkleFeed({"0.0.5"}) << current << "0.1.0 is the newest";
    QTest::newRow("plain item with version and link")
        << "<feed><item><version>1.0</version><link>https://example.org/get</link></item></feed>" << newer
        << "Loopcaster 1.0 is available; you have 0.1.0.\nGet it from https://example.org/get";
    QTest::newRow("newer, link not on the web")
        << "<feed><item><version>2</version><link>file:///usr/bin/xterm</link></item></feed>" << newer
        << "you have 0.1.0.";
    QTest::newRow("malformed") << "<rss><channel><item><enclosure sparkle:version=\"9\"" << failed
                               << "not valid XML";
    QTest::newRow("no version") << "<rss><channel><item><title>x</title></item></channel></rss>" << failed
                                << "names no version";
    QTest::newRow("not a feed") << "<html><body>Moved</body></html>" << failed << "lists no releases";
    QTest::newRow("unreachable") << QString() << failed << "could not be reached";
}

void TestUpdateCheck::userCheck()
{
    QFETCH(QString, feed);
    QFETCH(QString, title);
    QFETCH(QString, says);
    QTemporaryDir dir;
    CheckForUpdatesViewModel vm(feedUrl(dir, feed), running, {3600000, 3600000});
    QSignalSpy reports(&vm, &CheckForUpdatesViewModel::reportReady);
    QVERIFY(vm.canCheckForUpdates());

    vm.checkForUpdates();
    QVERIFY(!vm.canCheckForUpdates()); // one check at a time
    vm.checkForUpdates();

    QVERIFY(reports.wait(10000));
    QTest::qWait(20);
    QCOMPARE(reports.count(), 1);
    const auto report = reports.at(0).at(0).value<UpdateReport>();
    QCOMPARE(report.title, title);
    QVERIFY2(report.text.contains(says), qPrintable(report.text));
    QCOMPARE(report.isError, title == "Update Check Failed");
    QCOMPARE(report.link.isEmpty(), !report.text.contains("Get it from https://"));
    QVERIFY(!report.text.contains("file:"));
    QVERIFY(vm.canCheckForUpdates());
}

void TestUpdateCheck::scheduledCheckSpeaksOnlyOfNews_data()
{
    QTest::addColumn<QString>("feed");
    QTest::addColumn<bool>("speaks");
    QTest::newRow("newer") << sparkleFeed({"0.3"}) << true;
    QTest::newRow("same") << sparkleFeed({"0.1.0"}) << false;
    QTest::newRow("malformed") << "<rss><item>" << false;
}

void TestUpdateCheck::scheduledCheckSpeaksOnlyOfNews()
{
    QFETCH(QString, feed);
    QFETCH(bool, speaks);
    QTemporaryDir dir;
    CheckForUpdatesViewModel vm(feedUrl(dir, feed), running, {0, 50});
    QSignalSpy reports(&vm, &CheckForUpdatesViewModel::reportReady);
    QSignalSpy canCheck(&vm, &CheckForUpdatesViewModel::canCheckForUpdatesChanged);
    // Several daily checks have run (each toggles the flag off and on).
    QTRY_VERIFY_WITH_TIMEOUT(canCheck.count() >= 4, 10000);
    QCOMPARE(reports.isEmpty(), !speaks);
}

void TestUpdateCheck::noFeedNoCheck()
{
    CheckForUpdatesViewModel vm(QUrl(), running, {0, 10});
    QSignalSpy reports(&vm, &CheckForUpdatesViewModel::reportReady);
    vm.checkForUpdates();
    QTest::qWait(50);
    QVERIFY(!vm.canCheckForUpdates());
    QVERIFY(reports.isEmpty());
}

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_update_check.moc"
