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

    explicit Dashboard(DashboardViewModel::Options options = {})
    {
        queue.start();
        if (!options.downloadsFolder.isValid())
            options.downloadsFolder = QUrl::fromLocalFile(queue.dir.filePath("Downloads"));
        vm = std::make_unique<DashboardViewModel>(*queue.settings, *queue.service, *queue.thermal, toasts,
                                                  std::move(options));
    }
    QString toast() const { return toasts.activeToast() ? toasts.activeToast()->message : QString(); }
    QStringList selectedNames() const
    {
        QStringList names;
        for (const QUrl& url : vm->selectedVideoURLs())
            names << QFileInfo(url.path()).fileName();
        return names;
    }
    QList<QUrl> files(int count)
    {
        QList<QUrl> urls;
        for (int i = 0; i < count; ++i)
            urls << queue.sourceFile(QStringLiteral("clip%1.mov").arg(i));
        return urls;
    }
    // The song list each file's job got, in file order.
    QList<QStringList> songListsOf(const QList<QUrl>& files) const
    {
        QList<QStringList> lists;
        for (const QUrl& file : files) {
            MixJob* job = queue.job(QFileInfo(file.path()).completeBaseName());
            lists << (job ? job->audioPaths() : QStringList {"<no job>"});
        }
        return lists;
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
    void repeatsAfterAThousandDraws();
    void outputFolder_data();
    void outputFolder();
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
    d.toasts.setActiveToast(std::nullopt);
    QSignalSpy changes(d.vm.get(), &DashboardViewModel::selectedVideoURLsChanged);

    dropped ? d.vm->addDroppedFiles(urls(input)) : d.vm->addFiles(urls(input));

    QCOMPARE(d.selectedNames(), selected);
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
    if (processing) {
        d.queue.service->addJob(d.queue.sourceFile("busy.mov"), songs(1), QUrl::fromLocalFile(d.queue.dir.path()));
        QVERIFY(d.queue.service->isProcessing());
    }
    if (library)
        d.queue.settings->setAvailableSongs(songs(3));
    if (selection)
        d.vm->addFiles(d.files(1));
    QCOMPARE(d.vm->canStartProcessing(), expected);
    QCOMPARE(changes.count(), expected ? 1 : 0);

    // Starting is refused without effect when it cannot start.
    const int jobsBefore = d.queue.store->fetchCount().value_or(-1);
    const QList<QUrl> selectionBefore = d.vm->selectedVideoURLs();
    d.vm->startProcessing();
    QCOMPARE(d.queue.store->fetchCount().value_or(-1), jobsBefore + (expected ? 1 : 0));
    QCOMPARE(d.vm->selectedVideoURLs().isEmpty(), expected || selectionBefore.isEmpty());
    QCOMPARE(d.vm->canStartProcessing(), false);
}

void TestDashboardViewModel::batchSongLists_data()
{
    QTest::addColumn<int>("librarySize");
    QTest::addColumn<int>("songCount");
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<bool>("listsDistinct");
    QTest::newRow("15 of 40, two files") << 40 << 15 << 2 << true;
    QTest::newRow("openings exhaust a 12-song library") << 12 << 3 << 6 << true;
    QTest::newRow("5 of 3 songs repeats inside a mix") << 3 << 5 << 1 << true;
    QTest::newRow("2 of 2 songs, three files") << 2 << 2 << 3 << false;
    QTest::newRow("one song for everything") << 1 << 1 << 2 << false;
}

// Checks the batch rules on whatever the secure random source draws.
void TestDashboardViewModel::batchSongLists()
{
    QFETCH(int, librarySize);
    QFETCH(int, songCount);
    QFETCH(int, fileCount);
    QFETCH(bool, listsDistinct);
    Dashboard d;
    d.queue.settings->setAvailableSongs(songs(librarySize));
    d.queue.settings->setSongCount(songCount);
    const QList<QUrl> files = d.files(fileCount);
    d.vm->addFiles(files);

    d.vm->startProcessing();

    QVERIFY(d.vm->selectedVideoURLs().isEmpty());
    QCOMPARE(d.toast(), fileCount == 1 ? QString("Started 1 job") : QString("Started %1 jobs").arg(fileCount));
    const QList<QStringList> lists = d.songListsOf(files);
    const int openingCount = std::min(songCount, 3);
    QSet<QString> usedOpenings;
    for (const QStringList& list : lists) {
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
    }
    const QSet<QStringList> distinct(lists.begin(), lists.end());
    if (listsDistinct)
        QCOMPARE(distinct.size(), lists.size());
    else if (librarySize == 2) // only two orders exist: the second file takes the other one
        QCOMPARE(distinct.size(), 2);
}

// With a source that always draws the first song, every later draw repeats the
// first list: the second and third files each give up after 1000 draws.
void TestDashboardViewModel::repeatsAfterAThousandDraws()
{
    int draws = 0;
    Dashboard d({{}, [&draws](quint32) {
                     ++draws;
                     return quint32(0);
                 }});
    d.queue.settings->setAvailableSongs(songs(2));
    d.queue.settings->setSongCount(2);
    const QList<QUrl> files = d.files(3);
    d.vm->addFiles(files);

    d.vm->startProcessing();

    QCOMPARE(draws, 1 + 1000 + 1000);
    const QList<QStringList> lists = d.songListsOf(files);
    QCOMPARE(lists.size(), 3);
    QCOMPARE(lists[1], lists[0]);
    QCOMPARE(lists[2], lists[0]);
}

void TestDashboardViewModel::outputFolder_data()
{
    QTest::addColumn<bool>("chosen");
    QTest::newRow("chosen folder") << true;
    QTest::newRow("Downloads by default") << false;
}

void TestDashboardViewModel::outputFolder()
{
    QFETCH(bool, chosen);
    Dashboard d;
    const QString folder = d.queue.dir.filePath(chosen ? "Movies" : "Downloads");
    if (chosen)
        d.queue.settings->setOutputFolderURL(QUrl::fromLocalFile(folder));
    d.queue.settings->setAvailableSongs(songs(2));
    d.vm->addFiles(d.files(1));
    d.vm->startProcessing();
    QCOMPARE(QFileInfo(d.queue.job("clip0")->outputPath().value_or("")).absolutePath(), folder);
}

QTEST_GUILESS_MAIN(TestDashboardViewModel)
#include "tst_dashboard_view_model.moc"
