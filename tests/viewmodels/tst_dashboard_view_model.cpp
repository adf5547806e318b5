// The dashboard's rules: which files a drop or the picker adds, when a batch
// may start, and the song lists a batch's jobs get.

#include "../queue/QueueTestKit.h"

#include "services/ToastManager.h"
#include "viewmodels/DashboardViewModel.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

QList<QUrl> songs(int count)
{
    QList<QUrl> library;
    for (int i = 0; i < count; ++i)
        library << QUrl::fromLocalFile(QStringLiteral("/music/song%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
    return library;
}

// A queue whose runs never end, a toast manager and the view model over them.
struct Dashboard {
    QueueFixture queue;
    ToastManager toasts;
    std::unique_ptr<DashboardViewModel> vm;

    explicit Dashboard(SongChooser::RandomBelow random = {})
    {
        queue.start();
        vm = std::make_unique<DashboardViewModel>(
            *queue.settings, *queue.service, *queue.thermal, toasts,
            DashboardViewModel::Options {QUrl::fromLocalFile(queue.dir.filePath("Downloads")), std::move(random)});
    }
    QString toast() const { return toasts.activeToast() ? toasts.activeToast()->message : QString(); }
    QList<QUrl> files(int count)
    {
        QList<QUrl> urls;
        for (int i = 0; i < count; ++i)
            urls << queue.sourceFile(QStringLiteral("clip%1.mov").arg(i));
        return urls;
    }
};

} // namespace

class TestDashboardViewModel : public QObject {
    Q_OBJECT
private slots:
    void addingFiles_data();
    void addingFiles();
    void canStartProcessing_data();
    void canStartProcessing();
    void batchSongLists_data();
    void batchSongLists();
};

void TestDashboardViewModel::addingFiles_data()
{
    QTest::addColumn<QStringList>("already");
    QTest::addColumn<bool>("dropped"); // else picked
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("toast");
    QTest::newRow("drop keeps media types, any case")
        << QStringList {} << true << QStringList {"clip.MOV", "notes.txt", "photo.heic"}
        << QStringList {"clip.MOV", "photo.heic"} << "Added 2 files";
    QTest::newRow("drop of nothing usable") << QStringList {} << true << QStringList {"README", "a.txt"}
                                            << QStringList {} << "";
    QTest::newRow("drop of a web link") << QStringList {} << true << QStringList {"https://example.com/a.mp4"}
                                        << QStringList {} << "";
    QTest::newRow("already selected") << QStringList {"a.mp4"} << true << QStringList {"a.mp4"}
                                      << QStringList {"a.mp4"} << "";
    QTest::newRow("same file twice in one pick") << QStringList {} << false << QStringList {"a.mp4", "a.mp4"}
                                                 << QStringList {"a.mp4"} << "Added 1 file";
    QTest::newRow("picked files are not filtered") << QStringList {"a.mp4"} << false
                                                   << QStringList {"notes.txt", "b.png", "a.mp4"}
                                                   << QStringList {"a.mp4", "notes.txt", "b.png"} << "Added 2 files";
}

void TestDashboardViewModel::addingFiles()
{
    QFETCH(QStringList, already);
    QFETCH(bool, dropped);
    QFETCH(QStringList, input);
    QFETCH(QStringList, selected);
    QFETCH(QString, toast);
    Dashboard d;
    auto urls = [&d](const QStringList& names) {
        QList<QUrl> list;
        for (const QString& n : names)
            list << (n.contains("://") ? QUrl(n) : QUrl::fromLocalFile(d.queue.dir.filePath(n)));
        return list;
    };
    d.vm->setSelectedVideoURLs(urls(already));
    QSignalSpy changes(d.vm.get(), &DashboardViewModel::selectedVideoURLsChanged);

    dropped ? d.vm->addDroppedFiles(urls(input)) : d.vm->addFiles(urls(input));

    QCOMPARE(d.vm->selectedVideoURLs(), urls(selected));
    QCOMPARE(changes.count(), selected == already ? 0 : 1);
    QCOMPARE(d.toast(), toast);
}

void TestDashboardViewModel::canStartProcessing_data()
{
    QTest::addColumn<bool>("selection");
    QTest::addColumn<bool>("library");
    QTest::addColumn<bool>("processing");
    QTest::addColumn<bool>("expected");
    QTest::newRow("all ready") << true << true << false << true;
    QTest::newRow("nothing selected") << false << true << false << false;
    QTest::newRow("no songs") << true << false << false << false;
    QTest::newRow("queue busy") << true << true << true << false;
}

void TestDashboardViewModel::canStartProcessing()
{
    QFETCH(bool, selection);
    QFETCH(bool, library);
    QFETCH(bool, processing);
    QFETCH(bool, expected);
    Dashboard d;
    QSignalSpy changes(d.vm.get(), &DashboardViewModel::canStartProcessingChanged);
    if (processing)
        d.queue.service->addJob(d.queue.sourceFile("busy.mov"), songs(1), QUrl::fromLocalFile(d.queue.dir.path()));
    if (library)
        d.queue.settings->setAvailableSongs(songs(3));
    if (selection)
        d.vm->addFiles(d.files(1));
    QCOMPARE(d.vm->canStartProcessing(), expected);
    QCOMPARE(changes.count(), expected ? 1 : 0);

    // Starting is refused without effect when it cannot start.
    const int jobsBefore = d.queue.store->fetchCount().value_or(-1);
    d.vm->startProcessing();
    QCOMPARE(d.queue.store->fetchCount().value_or(-1), jobsBefore + (expected ? 1 : 0));
    QCOMPARE(d.vm->selectedVideoURLs().isEmpty(), expected || !selection);
    QVERIFY(!d.vm->canStartProcessing());
}

void TestDashboardViewModel::batchSongLists_data()
{
    QTest::addColumn<int>("librarySize");
    QTest::addColumn<int>("songCount");
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<int>("distinctLists");
    // > 0: a random source that always draws 0, asked exactly this often.
    QTest::addColumn<int>("stuckDraws");
    QTest::newRow("15 of 40, two files") << 40 << 15 << 2 << 2 << 0;
    QTest::newRow("openings exhaust a 12-song library") << 12 << 3 << 6 << 6 << 0;
    QTest::newRow("5 of 3 songs repeats inside a mix") << 3 << 5 << 1 << 1 << 0;
    // Only two orders exist: the second file takes the other one.
    QTest::newRow("2 of 2 songs, three files") << 2 << 2 << 3 << 2 << 0;
    QTest::newRow("one song for everything") << 1 << 1 << 2 << 1 << 0;
    // Every redraw repeats the first list: files 2 and 3 give up after 1000.
    QTest::newRow("a stuck source gives up") << 2 << 2 << 3 << 1 << 1 + 1000 + 1000;
}

// Checks the batch rules on whatever the source draws.
void TestDashboardViewModel::batchSongLists()
{
    QFETCH(int, librarySize);
    QFETCH(int, songCount);
    QFETCH(int, fileCount);
    QFETCH(int, distinctLists);
    QFETCH(int, stuckDraws);
    int draws = 0;
    Dashboard d(stuckDraws == 0 ? SongChooser::RandomBelow() : [&draws](quint32) {
        ++draws;
        return quint32(0);
    });
    d.queue.settings->setAvailableSongs(songs(librarySize));
    d.queue.settings->setSongCount(songCount);
    const QList<QUrl> files = d.files(fileCount);
    d.vm->addFiles(files);

    d.vm->startProcessing();

    QVERIFY(d.vm->selectedVideoURLs().isEmpty());
    QCOMPARE(d.toast(), fileCount == 1 ? QString("Started 1 job") : QString("Started %1 jobs").arg(fileCount));
    QCOMPARE(draws, stuckDraws);
    const int openingCount = std::min(songCount, 3);
    QSet<QString> usedOpenings;
    QSet<QStringList> lists;
    for (const QUrl& file : files) {
        MixJob* job = d.queue.job(QFileInfo(file.path()).completeBaseName());
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
}

QTEST_GUILESS_MAIN(TestDashboardViewModel)
#include "tst_dashboard_view_model.moc"
