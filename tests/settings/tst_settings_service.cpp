// SettingsService: preference defaults, folder restore at start-up and the
// folder sequences of the settings screen, against a throwaway INI store.

#include "StdoutCapture.h"
#include "services/FileService.h"
#include "services/SettingsService.h"

#include <QDir>
#include <QFile>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using testtools::StdoutCapture;

namespace {

const QString kPlaylistKey = "playlistFolderBookmark";
const QString kOutputKey = "outputFolderBookmark";

bool touch(const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

QByteArray bookmarkOf(const QString& path)
{
    return FileService::shared().createBookmark(QUrl::fromLocalFile(path)).value_or(QByteArray());
}

QStringList fileNames(const QList<QUrl>& urls)
{
    QStringList names;
    for (const QUrl& url : urls)
        names << url.fileName();
    return names;
}

std::optional<QString> pathOf(const std::optional<QUrl>& url)
{
    return url ? std::optional<QString>(url->toLocalFile()) : std::nullopt;
}

enum class Restore { Nothing, BothIntact, PlaylistMoved, PlaylistDeleted, OutputDeleted, BothCorrupt };

} // namespace

class TestSettingsService : public QObject {
    Q_OBJECT

private slots:
    void init();

    void preferences_data();
    void preferences();
    void preferenceReadsGoToTheStore();
    void editedPreferencesReadWithinBounds_data();
    void editedPreferencesReadWithinBounds();

    void restoreAtConstruction_data();
    void restoreAtConstruction();

    void playlistFolderSequences();
    void outputFolderSequences();
    void failedSaveKeepsEarlierBookmark();
    void foldersAndSongsNotifyOnlyOnChange();

private:
    std::unique_ptr<QSettings> store() const { return std::make_unique<QSettings>(m_ini, QSettings::IniFormat); }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_root;
    QString m_ini;
};

void TestSettingsService::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_root = m_tmp->path();
    m_ini = m_root + "/settings.ini";
}

void TestSettingsService::preferences_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariantList>("writes");
    QTest::addColumn<QVariant>("stored");  // what another reader of the file sees; invalid: absent
    QTest::addColumn<QVariant>("reads");
    QTest::addColumn<int>("notifications");

    QTest::newRow("crossfade absent") << "crossfadeDuration" << QVariantList {} << QVariant() << QVariant(3.0) << 0;
    QTest::newRow("song count absent") << "songCount" << QVariantList {} << QVariant() << QVariant(15) << 0;
    QTest::newRow("crossfade 0 stays 0 on disk")
        << "crossfadeDuration" << QVariantList { 0.0 } << QVariant(0.0) << QVariant(3.0) << 0;
    QTest::newRow("song count 0 stays 0 on disk")
        << "songCount" << QVariantList { 0 } << QVariant(0) << QVariant(15) << 0;
    QTest::newRow("crossfade 2.5") << "crossfadeDuration" << QVariantList { 2.5 } << QVariant(2.5)
                                   << QVariant(2.5) << 1;
    QTest::newRow("crossfade same value twice")
        << "crossfadeDuration" << QVariantList { 2.5, 2.5 } << QVariant(2.5) << QVariant(2.5) << 1;
    QTest::newRow("crossfade default written explicitly")
        << "crossfadeDuration" << QVariantList { 3.0 } << QVariant(3.0) << QVariant(3.0) << 0;
    QTest::newRow("crossfade back to 0") << "crossfadeDuration" << QVariantList { 7.5, 0.0 } << QVariant(0.0)
                                         << QVariant(3.0) << 2;
    QTest::newRow("song count below 1 stored, read as 1") << "songCount" << QVariantList { 40, -2 } << QVariant(-2)
                                                         << QVariant(1) << 2;
}

void TestSettingsService::preferences()
{
    QFETCH(QString, property);
    QFETCH(QVariantList, writes);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, reads);
    QFETCH(int, notifications);

    SettingsService service(FileService::shared(), store());
    const QMetaObject* meta = service.metaObject();
    const QMetaProperty prop = meta->property(meta->indexOfProperty(qPrintable(property)));
    QVERIFY(prop.isValid() && prop.hasNotifySignal());
    QSignalSpy spy(&service, prop.notifySignal());

    for (const QVariant& value : writes)
        QVERIFY(service.setProperty(qPrintable(property), value));

    QCOMPARE(service.property(qPrintable(property)), reads);
    QCOMPARE(spy.count(), notifications);

    QSettings onDisk(m_ini, QSettings::IniFormat);
    if (!stored.isValid()) {
        QVERIFY(!onDisk.contains(property));
    } else {
        QVERIFY(onDisk.contains(property));
        QCOMPARE(onDisk.value(property).toDouble(), stored.toDouble());
    }
}

void TestSettingsService::preferenceReadsGoToTheStore()
{
    SettingsService service(FileService::shared(), store());
    service.setCrossfadeDuration(4.5);
    {
        // Another writer of the same preferences (a second instance, or the
        // value left by an earlier run) is seen on the next read.
        QSettings other(m_ini, QSettings::IniFormat);
        other.setValue("crossfadeDuration", 6.0);
        other.setValue("songCount", 9);
    }
    QCOMPARE(service.crossfadeDuration(), 6.0);
    QCOMPARE(service.songCount(), 9);
}

void TestSettingsService::editedPreferencesReadWithinBounds_data()
{
    QTest::addColumn<QString>("line"); // as the user typed it into the file
    QTest::addColumn<QVariant>("reads");
    QTest::newRow("crossfade nan") << "crossfadeDuration=nan" << QVariant(3.0);
    QTest::newRow("crossfade inf") << "crossfadeDuration=inf" << QVariant(10.0);
    QTest::newRow("crossfade -inf") << "crossfadeDuration=-inf" << QVariant(3.0);
    QTest::newRow("crossfade 1e14") << "crossfadeDuration=1e14" << QVariant(10.0);
    QTest::newRow("crossfade negative") << "crossfadeDuration=-4" << QVariant(3.0);
    QTest::newRow("crossfade text") << "crossfadeDuration=long" << QVariant(3.0);
    QTest::newRow("crossfade 9.5 kept") << "crossfadeDuration=9.5" << QVariant(9.5);
    QTest::newRow("songs int max") << "songCount=2147483647" << QVariant(1000);
    QTest::newRow("songs beyond int") << "songCount=99999999999" << QVariant(1000);
    QTest::newRow("songs negative") << "songCount=-7" << QVariant(1);
    QTest::newRow("songs text") << "songCount=many" << QVariant(15);
    QTest::newRow("songs 1000 kept") << "songCount=1000" << QVariant(1000);
}

// The preferences file is the user's: whatever it says, the numbers read are
// usable (never NaN, never a mix of unbounded length or crossfade).
void TestSettingsService::editedPreferencesReadWithinBounds()
{
    QFETCH(QString, line);
    QFETCH(QVariant, reads);
    QFile ini(m_ini);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[General]\n" + line.toUtf8() + "\n");
    ini.close();
    SettingsService service(FileService::shared(), store());
    const QString key = line.section('=', 0, 0);
    QCOMPARE(service.property(qPrintable(key)), reads);
}

void TestSettingsService::restoreAtConstruction_data()
{
    QTest::addColumn<Restore>("scenario");
    QTest::addColumn<QString>("playlist");  // expected folder relative to the temp dir; empty: unset
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("songs");
    QTest::addColumn<QStringList>("lines"); // %1 is the temp dir

    const QStringList songs { "one.mp3", "two.flac" };
    QTest::newRow("first launch") << Restore::Nothing << "" << "" << QStringList {} << QStringList {};
    QTest::newRow("both intact") << Restore::BothIntact << "music" << "out" << songs << QStringList {};
    QTest::newRow("playlist moved within its parent")
        << Restore::PlaylistMoved << "renamed-music" << "out" << songs
        << QStringList { "⚠️ Bookmark is stale for %1/renamed-music" };
    QTest::newRow("playlist deleted")
        << Restore::PlaylistDeleted << "" << "out" << QStringList {}
        << QStringList { "❌ Failed to resolve bookmark: No such file: %1/music" };
    QTest::newRow("output deleted")
        << Restore::OutputDeleted << "music" << "" << songs
        << QStringList { "❌ Failed to resolve bookmark: No such file: %1/out" };
    QTest::newRow("both corrupt, playlist reported first")
        << Restore::BothCorrupt << "" << "" << QStringList {}
        << QStringList { "❌ Failed to resolve bookmark: Bookmark data is corrupt",
                         "❌ Failed to resolve bookmark: Bookmark data is empty" };
}

void TestSettingsService::restoreAtConstruction()
{
    QFETCH(Restore, scenario);
    QFETCH(QString, playlist);
    QFETCH(QString, output);
    QFETCH(QStringList, songs);
    QFETCH(QStringList, lines);

    QVERIFY(touch(m_root + "/music/two.flac"));
    QVERIFY(touch(m_root + "/music/sub/one.mp3"));
    QVERIFY(touch(m_root + "/music/cover.png"));
    QVERIFY(QDir(m_root).mkpath("out"));

    QByteArray playlistData;
    QByteArray outputData;
    {
        auto settings = store();
        if (scenario == Restore::BothCorrupt) {
            playlistData = "garbage, not a bookmark";
            outputData = "";
        } else if (scenario != Restore::Nothing) {
            playlistData = bookmarkOf(m_root + "/music");
            outputData = bookmarkOf(m_root + "/out");
        }
        if (scenario != Restore::Nothing) {
            settings->setValue(kPlaylistKey, playlistData);
            settings->setValue(kOutputKey, outputData);
        }
    }
    if (scenario == Restore::PlaylistMoved)
        QVERIFY(QDir(m_root).rename("music", "renamed-music"));
    if (scenario == Restore::PlaylistDeleted)
        QVERIFY(QDir(m_root + "/music").removeRecursively());
    if (scenario == Restore::OutputDeleted)
        QVERIFY(QDir(m_root).rmdir("out"));

    const int openBefore = FileService::shared().openAccessCount();
    StdoutCapture capture;
    SettingsService service(FileService::shared(), store());
    const QStringList printed = capture.take();

    QStringList expectedLines;
    for (const QString& line : lines)
        expectedLines << (line.contains("%1") ? line.arg(m_root) : line);
    QCOMPARE(printed, expectedLines);
    QCOMPARE(pathOf(service.playlistFolderURL()),
             playlist.isEmpty() ? std::nullopt : std::optional<QString>(m_root + "/" + playlist));
    QCOMPARE(pathOf(service.outputFolderURL()),
             output.isEmpty() ? std::nullopt : std::optional<QString>(m_root + "/" + output));
    QCOMPARE(fileNames(service.availableSongs()), songs);
    QCOMPARE(FileService::shared().openAccessCount(), openBefore);

    // Nothing stored is rewritten or dropped, whether it resolved or not.
    QSettings after(m_ini, QSettings::IniFormat);
    QCOMPARE(after.contains(kPlaylistKey), scenario != Restore::Nothing);
    QCOMPARE(after.value(kPlaylistKey).toByteArray(), playlistData);
    QCOMPARE(after.value(kOutputKey).toByteArray(), outputData);
}

void TestSettingsService::playlistFolderSequences()
{
    const QString music = m_root + "/music";
    QVERIFY(touch(music + "/b.mp3"));
    QVERIFY(touch(music + "/A.wav"));

    {
        SettingsService service(FileService::shared(), store());
        service.choosePlaylistFolder(QUrl::fromLocalFile(music));
        QCOMPARE(fileNames(service.availableSongs()), (QStringList { "A.wav", "b.mp3" }));

        // Choosing the same folder again rescans it.
        QVERIFY(touch(music + "/c.ogg"));
        service.choosePlaylistFolder(QUrl::fromLocalFile(music));
        QCOMPARE(fileNames(service.availableSongs()), (QStringList { "A.wav", "b.mp3", "c.ogg" }));
    }
    {
        StdoutCapture capture;
        SettingsService restarted(FileService::shared(), store());
        QCOMPARE(capture.take(), QStringList {});
        QCOMPARE(pathOf(restarted.playlistFolderURL()), std::optional<QString>(music));
        QCOMPARE(restarted.availableSongs().size(), 3);

        QSignalSpy songsSpy(&restarted, &SettingsService::availableSongsChanged);
        restarted.clearPlaylistFolder();
        QVERIFY(!restarted.playlistFolderURL());
        QVERIFY(restarted.availableSongs().isEmpty());
        QCOMPARE(songsSpy.count(), 1);
        QVERIFY(!QSettings(m_ini, QSettings::IniFormat).contains(kPlaylistKey));
    }
    SettingsService afterClear(FileService::shared(), store());
    QVERIFY(!afterClear.playlistFolderURL());
    QVERIFY(afterClear.availableSongs().isEmpty());
}

void TestSettingsService::outputFolderSequences()
{
    const QString out = m_root + "/out";
    QVERIFY(QDir().mkpath(out));
    {
        SettingsService service(FileService::shared(), store());
        service.chooseOutputFolder(QUrl::fromLocalFile(out));
        QCOMPARE(pathOf(service.outputFolderURL()), std::optional<QString>(out));
        // Choosing an output folder never touches the song library.
        QVERIFY(!service.playlistFolderURL());
        QVERIFY(!QSettings(m_ini, QSettings::IniFormat).contains(kPlaylistKey));
    }
    {
        SettingsService restarted(FileService::shared(), store());
        QCOMPARE(pathOf(restarted.outputFolderURL()), std::optional<QString>(out));
        restarted.clearOutputFolder();
        QVERIFY(!restarted.outputFolderURL());
    }
    QVERIFY(!QSettings(m_ini, QSettings::IniFormat).contains(kOutputKey));
    SettingsService afterClear(FileService::shared(), store());
    QVERIFY(!afterClear.outputFolderURL());
}

void TestSettingsService::failedSaveKeepsEarlierBookmark()
{
    const QString good = m_root + "/good";
    const QString missing = m_root + "/missing";
    QVERIFY(touch(good + "/song.mp3"));

    SettingsService service(FileService::shared(), store());
    service.choosePlaylistFolder(QUrl::fromLocalFile(good));
    const QByteArray earlier = QSettings(m_ini, QSettings::IniFormat).value(kPlaylistKey).toByteArray();
    QVERIFY(!earlier.isEmpty());

    const int openBefore = FileService::shared().openAccessCount();
    StdoutCapture capture;
    service.choosePlaylistFolder(QUrl::fromLocalFile(missing));
    QCOMPARE(capture.take(),
             QStringList { "Failed to save bookmark for playlistFolderBookmark: No such file: " + missing });

    // This run uses the new folder; the next one gets the earlier folder back.
    QCOMPARE(pathOf(service.playlistFolderURL()), std::optional<QString>(missing));
    QVERIFY(service.availableSongs().isEmpty());
    QCOMPARE(QSettings(m_ini, QSettings::IniFormat).value(kPlaylistKey).toByteArray(), earlier);
    QCOMPARE(FileService::shared().openAccessCount(), openBefore);

    SettingsService restarted(FileService::shared(), store());
    QCOMPARE(pathOf(restarted.playlistFolderURL()), std::optional<QString>(good));
    QCOMPARE(fileNames(restarted.availableSongs()), QStringList { "song.mp3" });
}

void TestSettingsService::foldersAndSongsNotifyOnlyOnChange()
{
    SettingsService service(FileService::shared(), store());
    QSignalSpy playlistSpy(&service, &SettingsService::playlistFolderURLChanged);
    QSignalSpy outputSpy(&service, &SettingsService::outputFolderURLChanged);
    QSignalSpy songsSpy(&service, &SettingsService::availableSongsChanged);

    const QUrl a = QUrl::fromLocalFile(m_root + "/a");
    const QList<QUrl> songs { QUrl::fromLocalFile(m_root + "/a/x.mp3") };
    for (int i = 0; i < 2; ++i) {
        service.setPlaylistFolderURL(a);
        service.setOutputFolderURL(a);
        service.setAvailableSongs(songs);
    }
    service.setAvailableSongs(QList<QUrl>(songs)); // equal content, different list
    service.setOutputFolderURL(std::nullopt);
    service.setOutputFolderURL(std::nullopt);

    QCOMPARE(playlistSpy.count(), 1);
    QCOMPARE(outputSpy.count(), 2);
    QCOMPARE(songsSpy.count(), 1);
}

QTEST_GUILESS_MAIN(TestSettingsService)
#include "tst_settings_service.moc"
