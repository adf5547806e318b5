// The view models' rules, and how a movie is revealed on the desktop: the
// rules the window cannot show on its own, without widgets.

#include "../queue/QueueTestKit.h"

#include "TestTools.h"
#include "platform/FileManagerReveal.h"
#include "services/ToastManager.h"
#include "services/updates/ReleaseVersion.h"
#include "viewmodels/CheckForUpdatesViewModel.h"
#include "viewmodels/DashboardViewModel.h"
#include "viewmodels/QueueViewModel.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

// A queue whose runs never end, a toast manager and the dashboard over them.
struct Dashboard {
    QueueFixture queue;
    ToastManager toasts;
    JobService& service = queue.start();
    DashboardViewModel vm {*queue.settings, service, *queue.thermal, toasts,
                           {QUrl::fromLocalFile(queue.dir.filePath("Downloads")), {}}};

    QString toast() const { return toasts.activeToast() ? toasts.activeToast()->message : QString(); }
    // Files made in the temp dir from space-separated `names`; a name with a
    // scheme is taken as a URL.
    QList<QUrl> files(const QString& names)
    {
        QList<QUrl> urls;
        for (const QString& n : names.split(' ', Qt::SkipEmptyParts))
            urls << (n.contains("://") ? QUrl(n) : queue.sourceFile(n));
        return urls;
    }
};

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

class TestViewModels : public QObject {
    Q_OBJECT
private slots:
    void addingFiles_data();
    void addingFiles();
    void startBlockedReason_data();
    void startBlockedReason();
    void batchSongLists_data();
    void batchSongLists();
    void retryAndRevealLeaveOtherJobsAlone();
    void revealsThroughTheFileManagerOrOpensTheFolder();
    void updateCheck_data();
    void updateCheck();
    void versionOrder();
};

void TestViewModels::addingFiles_data()
{
    QTest::addColumn<QString>("already"); // names, space-separated
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("toast");
    QTest::newRow("drop of a web link") << "" << "https://example.com/a.mp4" << "" << "";
    QTest::newRow("already selected") << "a.mp4" << "a.mp4" << "a.mp4" << "";
    QTest::newRow("same file twice in one pick") << "" << "a.mp4 a.mp4" << "a.mp4" << "Added 1 file";
    QTest::newRow("picked under All Files: other types left out")
        << "a.mp4" << "notes.txt b.PNG a.mp4 clip" << "a.mp4 b.PNG" << "Added 1 file";
}

// Drop, picker, command line and a second launch all add through addFiles;
// what a drop of media files selects is the window's test.
void TestViewModels::addingFiles()
{
    QFETCH(QString, already);
    QFETCH(QString, input);
    QFETCH(QString, selected);
    QFETCH(QString, toast);
    Dashboard d;
    d.vm.setSelectedVideoURLs(d.files(already));
    QSignalSpy changes(&d.vm, &DashboardViewModel::selectedVideoURLsChanged);

    d.vm.addFiles(d.files(input));

    QCOMPARE(d.vm.selectedVideoURLs(), d.files(selected));
    QCOMPARE(changes.count(), selected == already ? 0 : 1);
    QCOMPARE(d.toast(), toast);
}

void TestViewModels::startBlockedReason_data()
{
    QTest::addColumn<QString>("setup");  // what is in place: songs, files, a rendering queue
    QTest::addColumn<QString>("reason"); // the start button's tooltip
    QTest::newRow("nothing") << "" << "Choose a playlist folder with songs first";
    QTest::newRow("files, no songs") << "files" << "Choose a playlist folder with songs first";
    QTest::newRow("songs, no files") << "songs" << "Drop or choose a video or image first";
    QTest::newRow("rendering") << "songs files rendering" << "Wait for the queue to finish";
    QTest::newRow("ready") << "songs files" << "";
}

void TestViewModels::startBlockedReason()
{
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    Dashboard d;
    QSignalSpy changes(&d.vm, &DashboardViewModel::canStartProcessingChanged);
    if (setup.contains("rendering"))
        d.service.addJob(d.queue.sourceFile("busy.mov"), {}, QUrl::fromLocalFile(d.queue.dir.path()));
    if (setup.contains("songs"))
        d.queue.settings->setAvailableSongs({QUrl::fromLocalFile("/music/a.mp3")});
    d.vm.addFiles(d.files(setup.contains("files") ? "a.mp4" : ""));
    QTRY_COMPARE(d.vm.startBlockedReason(), reason);
    QCOMPARE(changes.isEmpty(), reason.startsWith("Choose")); // the view hears of every new reason
}

void TestViewModels::batchSongLists_data()
{
    QTest::addColumn<int>("librarySize");
    QTest::addColumn<int>("songCount");
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<int>("distinctLists");
    QTest::newRow("15 of 40, two files") << 40 << 15 << 2 << 2;
    QTest::newRow("openings exhaust a 12-song library") << 12 << 3 << 6 << 6;
    QTest::newRow("5 of 3 songs repeats inside a mix") << 3 << 5 << 1 << 1;
    // Only two orders exist: the second file takes the other one, the third
    // gives up looking for a new one.
    QTest::newRow("2 of 2 songs, three files") << 2 << 2 << 3 << 2;
}

// Checks the batch rules on whatever the random source draws.
void TestViewModels::batchSongLists()
{
    QFETCH(int, librarySize);
    QFETCH(int, songCount);
    QFETCH(int, fileCount);
    QFETCH(int, distinctLists);
    Dashboard d;
    QList<QUrl> library;
    for (int i = 0; i < librarySize; ++i)
        library << QUrl::fromLocalFile(QStringLiteral("/music/song%1.mp3").arg(i));
    d.queue.settings->setAvailableSongs(library);
    d.queue.settings->setSongCount(songCount);
    QStringList names;
    for (int i = 0; i < fileCount; ++i)
        names << QStringLiteral("clip%1.mov").arg(i);
    d.vm.addFiles(d.files(names.join(' ')));

    d.vm.startProcessing();

    QVERIFY(d.vm.selectedVideoURLs().isEmpty());
    QCOMPARE(d.toast(), fileCount == 1 ? QString("Started 1 job") : QString("Started %1 jobs").arg(fileCount));
    const int openingCount = std::min(songCount, 3);
    QSet<QString> usedOpenings;
    QSet<QStringList> lists;
    for (const QString& name : names) {
        MixJob* job = d.queue.job(QFileInfo(name).completeBaseName());
        QVERIFY(job);
        QCOMPARE(QFileInfo(job->outputPathOrEmpty()).absolutePath(), d.queue.dir.filePath("Downloads"));
        const QStringList list = job->audioPaths();
        QCOMPARE(list.size(), songCount);
        // No song repeats until the whole library is in the mix.
        const QStringList head = list.mid(0, std::min(songCount, librarySize));
        QCOMPARE(QSet<QString>(head.begin(), head.end()).size(), head.size());
        const QStringList opening = list.mid(0, openingCount);
        if (librarySize - usedOpenings.size() >= openingCount) {
            for (const QString& song : opening)
                QVERIFY2(!usedOpenings.contains(song), qPrintable(song + " opened an earlier mix"));
        }
        usedOpenings.unite(QSet<QString>(opening.begin(), opening.end()));
        lists.insert(list);
    }
    QCOMPARE(lists.size(), distinctLists);

    // While the batch renders no other may start; starting anyway changes
    // nothing. Starting without files or songs is the window's test.
    d.vm.addFiles(d.files("next.mov"));
    QVERIFY(!d.vm.canStartProcessing());
    d.vm.startProcessing();
    QCOMPARE(d.queue.store->fetchCount().value_or(-1), fileCount);
    QCOMPARE(d.vm.selectedVideoURLs().size(), 1);
}

// A retry goes through the queue, which stores the job at once and runs it; a
// finished or paused job stays as it is. The row's retry is the window's test.
void TestViewModels::retryAndRevealLeaveOtherJobsAlone()
{
    QueueFixture f;
    MixJob* failed = f.storeJob("failed", JobStatus::failed);
    MixJob* other = f.storeJob("other", JobStatus::failed, 0.5f);
    MixJob* done = f.storeJob("done", JobStatus::completed);
    f.storeJob("running");
    QueueViewModel vm(f.start(), *f.store, *f.thermal, [](const QUrl& url) { QFAIL(qPrintable(url.toString())); });
    vm.togglePause();

    for (MixJob* job : {failed, done, f.job("running")})
        vm.retryJob(job);
    QVERIFY(!f.store->hasPendingChanges());
    vm.retryFailedJobs();
    QCOMPARE(failed->statusMessage() + ", " + other->statusMessage(), "Waiting..., Retrying...");
    QCOMPARE(other->progress(), 0.0f);
    vm.togglePause();
    settle();

    QCOMPARE(f.started, (QStringList {"running", "failed", "other", "running"}));
    QCOMPARE(done->status(), JobStatus::completed);
    // A record without a movie has nothing to show.
    done->setOutputPath(std::nullopt);
    vm.revealInFileManager(done);
}

void TestViewModels::revealsThroughTheFileManagerOrOpensTheFolder()
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
        bool opens = false; // whether the folder's opener finds an application
        const auto openFolder = [&opened, &opens](const QUrl& folder, auto done) { done(opens), opened << folder; };
        FileManagerReveal reveal(caller, openFolder);
        FileManagerReveal offline(QDBusConnection("no bus"), openFolder);
        QSignalSpy failed(&reveal, &FileManagerReveal::revealFailed);
        QSignalSpy offlineFailed(&offline, &FileManagerReveal::revealFailed);
        const QUrl movie = QUrl::fromLocalFile("/home/me/Movies/beach mix_mix_1.mp4");
        const QList<QUrl> folder {QUrl::fromLocalFile("/home/me/Movies")};

        // Nobody serves FileManager1 yet, and nothing opens the folder: the
        // failure names the folder, with or without a bus.
        reveal.reveal(movie);
        offline.reveal(movie);
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toUrl(), folder.first());
        QCOMPARE(offlineFailed.count(), 1);
        opened.clear();
        opens = true;
        reveal.reveal(movie);
        QTRY_COMPARE(opened, folder);

        FakeFileManager fileManager;
        QVERIFY(server.registerObject("/org/freedesktop/FileManager1", &fileManager, QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService("org.freedesktop.FileManager1"));
        reveal.reveal(movie);
        QTRY_COMPARE(fileManager.shown, QStringList {"file:///home/me/Movies/beach%20mix_mix_1.mp4"});
        // Once the call's watcher is gone its reply has been handled.
        QTRY_VERIFY(reveal.findChildren<QDBusPendingCallWatcher*>().isEmpty());
        QCOMPARE(opened, folder);
        QCOMPARE(failed.count(), 1);
    }
    QDBusConnection::disconnectFromBus("caller");
    QDBusConnection::disconnectFromBus("server");
    bus.kill();
    bus.waitForFinished();
}

void TestViewModels::updateCheck_data()
{
    QTest::addColumn<bool>("scheduled"); // the quiet daily check, else the user's
    QTest::addColumn<QString>("feed");   // its text, or its web address
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("says");
    const QString newer = "A New Version Is Available";
    const QString failed = "Update Check Failed";
    // Ordered by the version people see, not by a build number.
    QTest::newRow("enclosures, newer listed first")
        << false
        << "<rss xmlns:sparkle=\"urn:x\"><channel>"
           "<item><enclosure url=\"https://example.org/lc-0.2.tgz\" sparkle:version=\"0.2.0\"/></item>"
           "<item><enclosure url=\"https://example.org/lc-0.0.9.tgz\" sparkle:version=\"900\" "
           "sparkle:shortVersionString=\"0.0.9\"/></item></channel></rss>"
        << newer << "Get it from https://example.org/lc-0.2.tgz";
    const QString current = "<feed><item><version>0.1.0</version></item></feed>";
    QTest::newRow("same") << false << current << "You're Up to Date" << "0.1.0 is the newest";
    QTest::newRow("plain item with version and link")
        << false << "<feed><item><version>1.0</version><link>https://example.org/get</link></item></feed>" << newer
        << "Loopcaster 1.0 is available; you have 0.1.0.\nGet it from https://example.org/get";
    for (const char* link : {"file:///usr/bin/xterm", "http://example.org/get"}) // offered over https only
        QTest::newRow(link) << false << QString("<feed><item><version>2</version><link>%1</link></item></feed>").arg(link)
                            << newer << "you have 0.1.0.";
    // Served from 127.0.0.1: this header, then a piece of body every 50 ms.
    QTest::newRow("announced too large") << false << "serve:Content-Length: 5000000" << failed << "larger than 4 MiB";
    QTest::newRow("too large, in chunks") << false << "serve:Transfer-Encoding: chunked" << failed << "larger than 4";
    QTest::newRow("dripping") << false << "serve:Content-Length: 400" << failed << "did not arrive within 2 seconds";
    QTest::newRow("malformed") << false << "<rss><channel><item><enclosure sparkle:version=\"9\"" << failed
                               << "not valid XML";
    QTest::newRow("no version") << false << "<rss><channel><item><title>x</title></item></channel></rss>"
                                << failed << "names no version";
    QTest::newRow("not a feed") << false << "<html><body>Moved</body></html>" << failed << "lists no releases";
    // Port 1 is reserved and nothing on a test machine listens there.
    QTest::newRow("unreachable") << false << "http://127.0.0.1:1/appcast.xml" << failed << "could not be reached";
    // Unasked, only news is worth interrupting for.
    QTest::newRow("daily: newer") << true << "<feed><item><version>0.3</version></item></feed>" << newer
                                  << "Loopcaster 0.3 is available";
    QTest::newRow("daily: same") << true << current << "" << "";
    QTest::newRow("daily: malformed") << true << "<rss><item>" << "" << "";
}

void TestViewModels::updateCheck()
{
    QFETCH(bool, scheduled);
    QFETCH(QString, feed);
    QFETCH(QString, title);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QUrl feedUrl = QUrl::fromLocalFile(dir.filePath("appcast.xml"));
    QTcpServer server; // gone with the row
    QVERIFY(server.listen(QHostAddress::LocalHost));
    connect(&server, &QTcpServer::newConnection, this, [&server, &feed] {
        QTcpSocket* s = server.nextPendingConnection();
        s->write("HTTP/1.1 200 OK\r\n" + feed.mid(6).toLatin1() + "\r\n\r\n");
        const QByteArray piece = feed.endsWith("chunked") ? "100000\r\n" + QByteArray(1 << 20, ' ') + "\r\n" : " ";
        auto* drip = new QTimer(s);
        connect(drip, &QTimer::timeout, s, [s, piece] { s->write(piece); });
        connect(s, &QTcpSocket::disconnected, drip, &QTimer::stop);
        drip->start(50);
    });
    if (feed.startsWith("http://"))
        feedUrl = QUrl(feed);
    else if (feed.startsWith("serve:"))
        feedUrl = QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(server.serverPort()));
    else
        QVERIFY(testtools::writeFile(feedUrl.toLocalFile(), feed.toUtf8()));
    // The daily checks come back to back; the user's never comes by itself.
    using Schedule = CheckForUpdatesViewModel::Schedule;
    CheckForUpdatesViewModel vm(feedUrl, QVersionNumber(0, 1, 0),
                                scheduled ? Schedule {0, 0, 2000} : Schedule {3600000, 3600000, 2000});
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

// "a < b", or "a ?" when a is no version.
void TestViewModels::versionOrder()
{
    for (const char* r : {"0.2.0-beta < 0.2.0", "0.2.0-beta > 0.1.0", "0.1.0.0 = 0.1", "0.10 > 0.9.9",
                          "1.0.0-rc.2 < 1.0.0-rc.11", "1.0.0-alpha < 1.0.0-beta", "1.0.0-1 < 1.0.0-alpha",
                          "1.0.0-rc < 1.0.0-rc.1", "<img/src='/dev/zero'> ?", "1.0- ?", "1.0-averyverylongtag ?",
                          "1.2.3.4.5 ?", "v1 ?", "1.0\n ?", " ?"}) {
        const QStringList part = QString(r).split(' ');
        const auto a = ReleaseVersion::parse(part[0]), b = ReleaseVersion::parse(part.value(2));
        const int c = a ? compare(*a, *b) : 0;
        QVERIFY2((!a ? "?" : c < 0 ? "<" : c > 0 ? ">" : "=") == part[1] && (!a || (compare(*b, *a) < 0) == (c > 0)), r);
    }
}

QTEST_GUILESS_MAIN(TestViewModels)
#include "tst_view_models.moc"
