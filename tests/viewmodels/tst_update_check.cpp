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
using Schedule = CheckForUpdatesViewModel::Schedule;

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
    void check_data();
    void check();
};

void TestUpdateCheck::check_data()
{
    QTest::addColumn<bool>("scheduled"); // the quiet daily check, else the user's
    QTest::addColumn<QString>("feed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("says");
    const QString newer = "A New Version Is Available";
    const QString current = "You're Up to Date";
    const QString failed = "Update Check Failed";
    QTest::newRow("newer, listed out of order") << false << sparkleFeed({"0.2.0", "0.0.9"}) << newer
                                                << "https://example.org/loopcaster-0.2.0.tar.gz";
    QTest::newRow("same") << false << sparkleFeed({"0.1.0"}) << current << "0.1.0 is the newest";
    QTest::newRow("older") << false << sparkleFeed({"0.0.5"}) << current << "0.1.0 is the newest";
    QTest::newRow("plain item with version and link")
        << false << "<feed><item><version>1.0</version><link>https://example.org/get</link></item></feed>" << newer
        << "Loopcaster 1.0 is available; you have 0.1.0.\nGet it from https://example.org/get";
    QTest::newRow("newer, link not on the web")
        << false << "<feed><item><version>2</version><link>file:///usr/bin/xterm</link></item></feed>" << newer
        << "you have 0.1.0.";
    QTest::newRow("malformed") << false << "<rss><channel><item><enclosure sparkle:version=\"9\"" << failed
                               << "not valid XML";
    QTest::newRow("no version") << false << "<rss><channel><item><title>x</title></item></channel></rss>"
                                << failed << "names no version";
    QTest::newRow("not a feed") << false << "<html><body>Moved</body></html>" << failed << "lists no releases";
    QTest::newRow("unreachable") << false << QString() << failed << "could not be reached";
    // Unasked, only news is worth interrupting for.
    QTest::newRow("daily: newer") << true << sparkleFeed({"0.3"}) << newer << "Loopcaster 0.3 is available";
    QTest::newRow("daily: same") << true << sparkleFeed({"0.1.0"}) << "" << "";
    QTest::newRow("daily: malformed") << true << "<rss><item>" << "" << "";
}

void TestUpdateCheck::check()
{
    QFETCH(bool, scheduled);
    QFETCH(QString, feed);
    QFETCH(QString, title);
    QFETCH(QString, says);
    QTemporaryDir dir;
    // The daily checks come back to back; the user's never comes by itself.
    CheckForUpdatesViewModel vm(feedUrl(dir, feed), running, scheduled ? Schedule {0, 0} : Schedule {3600000, 3600000});
    QSignalSpy reports(&vm, &CheckForUpdatesViewModel::reportReady);
    QSignalSpy canCheck(&vm, &CheckForUpdatesViewModel::canCheckForUpdatesChanged);
    if (!scheduled) {
        QVERIFY(vm.canCheckForUpdates());
        vm.checkForUpdates();
        QVERIFY(!vm.canCheckForUpdates()); // one check at a time
    }
    // The command goes off for each check and on again once its answer is in:
    // the user's check once, the daily one at least twice.
    QTRY_VERIFY_WITH_TIMEOUT(canCheck.count() >= (scheduled ? 4 : 2), 10000);
    if (title.isEmpty()) {
        QVERIFY(reports.isEmpty());
        return;
    }
    if (!scheduled)
        QCOMPARE(reports.count(), 1);
    const auto report = reports.at(0).at(0).value<UpdateReport>();
    QCOMPARE(report.title, title);
    QVERIFY2(report.text.contains(says), qPrintable(report.text));
    QCOMPARE(report.isError, title == "Update Check Failed");
    QCOMPARE(report.link.isEmpty(), !report.text.contains("Get it from https://"));
    QVERIFY(!report.text.contains("file:"));
}

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_update_check.moc"
