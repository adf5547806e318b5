// SettingsService: preference defaults and bounds, folder restore at start-up
// and the folder sequences of the settings screen, against a throwaway INI store.

#include "StdoutCapture.h"
#include "TestTools.h"
#include "services/FileService.h"
#include "services/SettingsService.h"

#include <QDir>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using testtools::StdoutCapture;

namespace {

const QString kPlaylistKey = "playlistFolderBookmark";
const QString kOutputKey = "outputFolderBookmark";

QByteArray bookmarkOf(const QString& path)
{
    return FileService().createBookmark(QUrl::fromLocalFile(path)).valueOr({});
}

QStringList fileNames(const QList<QUrl>& urls)
{
    QStringList names;
    for (const QUrl& url : urls)
        names << url.fileName();
    return names;
}

// The folder's path, or "" when unset.
QString pathOf(const std::optional<QUrl>& url)
{
    return url ? url->toLocalFile() : QString();
}

enum class Restore { PlaylistMoved, OutputDeleted, BothCorrupt };

} // namespace

class TestSettingsService : public QObject {
    Q_OBJECT

    FileService m_files;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_root;
    QString m_ini;

    std::unique_ptr<QSettings> store() const { return std::make_unique<QSettings>(m_ini, QSettings::IniFormat); }
    QSettings onDisk() const { return QSettings(m_ini, QSettings::IniFormat); }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_root = m_tmp->path();
        m_ini = m_root + "/settings.ini";
    }

    void preferences_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariantList>("writes"); // numbers through the setter, text straight into the file
        QTest::addColumn<QVariant>("stored"); // what another reader of the file sees; invalid: absent
        QTest::addColumn<QVariant>("reads");
        QTest::addColumn<int>("notifications");
        QTest::newRow("crossfade absent") << "crossfadeDuration" << QVariantList {} << QVariant() << QVariant(3.0) << 0;
        QTest::newRow("song count absent") << "songCount" << QVariantList {} << QVariant() << QVariant(15) << 0;
        QTest::newRow("crossfade 0 is none") << "crossfadeDuration" << QVariantList {0.0} << QVariant(0.0)
                                             << QVariant(0.0) << 1;
        QTest::newRow("song count 0 stays 0 on disk") << "songCount" << QVariantList {0} << QVariant(0) << QVariant(15)
                                                      << 0;
        QTest::newRow("crossfade same value twice")
            << "crossfadeDuration" << QVariantList {2.5, 2.5} << QVariant(2.5) << QVariant(2.5) << 1;
        QTest::newRow("song count below 1 stored, read as 1")
            << "songCount" << QVariantList {40, -2} << QVariant(-2) << QVariant(1) << 2;
        // Text is put in the file by another writer (the user's editor, an
        // earlier run): it is seen on the next read, and the numbers read are
        // usable: never NaN, never a mix of unbounded length or crossfade.
        const QString cf = "crossfadeDuration", songs = "songCount";
        QTest::newRow("crossfade nan") << cf << QVariantList {"nan"} << QVariant("nan") << QVariant(3.0) << 0;
        QTest::newRow("crossfade inf") << cf << QVariantList {"inf"} << QVariant("inf") << QVariant(10.0) << 0;
        QTest::newRow("crossfade negative") << cf << QVariantList {"-4"} << QVariant("-4") << QVariant(0.0) << 0;
        QTest::newRow("crossfade text") << cf << QVariantList {"long"} << QVariant("long") << QVariant(3.0) << 0;
        QTest::newRow("crossfade 9.5 after 4.5") << cf << QVariantList {4.5, "9.5"} << QVariant("9.5") << QVariant(9.5) << 1;
        QTest::newRow("songs beyond int") << songs << QVariantList {"99999999999"} << QVariant("99999999999") << QVariant(1000)
                                          << 0;
        QTest::newRow("songs 9 after 20") << songs << QVariantList {20, "9"} << QVariant("9") << QVariant(9) << 1;
        // The mix options new jobs take: anything that is not a valid value
        // reads as the default, never as a gain nobody chose.
        const QString match = "matchLoudness", target = "loudnessTarget", ceiling = "truePeakCeiling",
                      titles = "titlesFromTags";
        QTest::newRow("match absent") << match << QVariantList {} << QVariant() << QVariant(false) << 0;
        QTest::newRow("match on") << match << QVariantList {true} << QVariant("true") << QVariant(true) << 1;
        QTest::newRow("match text") << match << QVariantList {"maybe"} << QVariant("maybe") << QVariant(false) << 0;
        QTest::newRow("target absent") << target << QVariantList {} << QVariant() << QVariant(-14.0) << 0;
        QTest::newRow("target -23") << target << QVariantList {-23.0} << QVariant(-23.0) << QVariant(-23.0) << 1;
        QTest::newRow("target above bounds") << target << QVariantList {"-3"} << QVariant("-3") << QVariant(-14.0) << 0;
        QTest::newRow("target nan") << target << QVariantList {"nan"} << QVariant("nan") << QVariant(-14.0) << 0;
        QTest::newRow("ceiling -2, then text") << ceiling << QVariantList {-2.0, "loud"} << QVariant("loud")
                                               << QVariant(-1.0) << 1;
        QTest::newRow("ceiling above 0") << ceiling << QVariantList {"0.5"} << QVariant("0.5") << QVariant(-1.0) << 0;
        QTest::newRow("titles on") << titles << QVariantList {true} << QVariant("true") << QVariant(true) << 1;
        QTest::newRow("titles 2") << titles << QVariantList {"2"} << QVariant("2") << QVariant(false) << 0;
    }
    void preferences()
    {
        QFETCH(QString, property);
        QFETCH(QVariantList, writes);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, reads);
        QFETCH(int, notifications);

        SettingsService service(m_files, store());
        const QMetaObject* meta = service.metaObject();
        QSignalSpy spy(&service, meta->property(meta->indexOfProperty(qPrintable(property))).notifySignal());
        for (const QVariant& value : writes) {
            if (value.typeId() == QMetaType::QString)
                onDisk().setValue(property, value);
            else
                QVERIFY(service.setProperty(qPrintable(property), value));
        }

        QCOMPARE(service.property(qPrintable(property)), reads);
        QCOMPARE(spy.count(), notifications);
        QCOMPARE(onDisk().contains(property), stored.isValid());
        QCOMPARE(onDisk().value(property).toString(), stored.toString());
    }

    void restoreAtConstruction_data()
    {
        QTest::addColumn<Restore>("scenario");
        QTest::addColumn<QString>("playlist"); // expected folder relative to the temp dir; empty: unset
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("songs");
        QTest::addColumn<QStringList>("lines"); // %1 is the temp dir

        const QStringList songs {"one.mp3", "two.flac"};
        // Nothing stored, and both restored intact: folderChoiceLastsUntilCleared.
        QTest::newRow("playlist moved within its parent")
            << Restore::PlaylistMoved << "renamed-music" << "out" << songs
            << QStringList {"⚠️ Bookmark is stale for %1/renamed-music"};
        QTest::newRow("output deleted") << Restore::OutputDeleted << "music" << "" << songs
                                        << QStringList {"❌ Failed to resolve bookmark: No such file: %1/out"};
        QTest::newRow("both corrupt, playlist reported first")
            << Restore::BothCorrupt << "" << "" << QStringList {}
            << QStringList {"❌ Failed to resolve bookmark: Bookmark data is corrupt",
                            "❌ Failed to resolve bookmark: Bookmark data is empty"};
    }
    void restoreAtConstruction()
    {
        QFETCH(Restore, scenario);
        QFETCH(QString, playlist);
        QFETCH(QString, output);
        QFETCH(QStringList, songs);
        QFETCH(QStringList, lines);

        QVERIFY(testtools::writeFile(m_root + "/music/two.flac", {}));
        QVERIFY(testtools::writeFile(m_root + "/music/sub/one.mp3", {}));
        QVERIFY(testtools::writeFile(m_root + "/music/cover.png", {}));
        QVERIFY(QDir(m_root).mkpath("out"));
        QByteArray playlistData = "garbage, not a bookmark";
        QByteArray outputData = "";
        if (scenario != Restore::BothCorrupt) {
            playlistData = bookmarkOf(m_root + "/music");
            outputData = bookmarkOf(m_root + "/out");
        }
        onDisk().setValue(kPlaylistKey, playlistData);
        onDisk().setValue(kOutputKey, outputData);
        if (scenario == Restore::PlaylistMoved)
            QVERIFY(QDir(m_root).rename("music", "renamed-music"));
        if (scenario == Restore::OutputDeleted)
            QVERIFY(QDir(m_root).rmdir("out"));

        StdoutCapture capture;
        SettingsService service(m_files, store());
        const QStringList printed = capture.take();

        for (QString& line : lines)
            line.replace("%1", m_root);
        QCOMPARE(printed, lines);
        QCOMPARE(pathOf(service.playlistFolderURL()), playlist.isEmpty() ? "" : m_root + "/" + playlist);
        QCOMPARE(pathOf(service.outputFolderURL()), output.isEmpty() ? "" : m_root + "/" + output);
        QTRY_COMPARE(fileNames(service.availableSongs()), songs);
        // Nothing stored is rewritten or dropped, whether it resolved or not.
        QCOMPARE(onDisk().value(kPlaylistKey).toByteArray(), playlistData);
        QCOMPARE(onDisk().value(kOutputKey).toByteArray(), outputData);
    }

    // Chosen folders come back after a restart until they are cleared, and a
    // folder whose bookmark cannot be saved lasts for this run only; the
    // playlist folder is scanned each time it is chosen, the output folder
    // never touches the song library.
    void folderChoiceLastsUntilCleared_data()
    {
        QTest::addColumn<bool>("playlist");
        QTest::newRow("playlist folder") << true;
        QTest::newRow("output folder") << false;
    }
    void folderChoiceLastsUntilCleared()
    {
        QFETCH(bool, playlist);
        const QString folder = m_root + "/music";
        QVERIFY(testtools::writeFile(folder + "/b.mp3", {}));
        QVERIFY(testtools::writeFile(folder + "/A.wav", {}));
        const QUrl url = QUrl::fromLocalFile(folder);
        const QString key = playlist ? kPlaylistKey : kOutputKey;
        const auto chosen = [&](const SettingsService& s) {
            return pathOf(playlist ? s.playlistFolderURL() : s.outputFolderURL());
        };
        const auto choose = [&](SettingsService& s, const QUrl& u) {
            playlist ? s.choosePlaylistFolder(u) : s.chooseOutputFolder(u);
        };
        const QStringList songs = playlist ? QStringList {"A.wav", "b.mp3", "c.ogg"} : QStringList {};
        {
            // Choosing the same folder again notifies nothing but the songs it
            // now holds; a folder replaced before its scan ended adds none.
            SettingsService service(m_files, store());
            QSignalSpy folderSpy(&service, playlist ? &SettingsService::playlistFolderURLChanged
                                                    : &SettingsService::outputFolderURLChanged);
            QSignalSpy songsSpy(&service, &SettingsService::availableSongsChanged);
            const auto chooseAndWait = [&](const QUrl& u) {
                choose(service, u);
                QTRY_VERIFY(!service.isScanningSongs());
            };
            choose(service, QUrl::fromLocalFile(m_root));
            chooseAndWait(url);
            QVERIFY(testtools::writeFile(folder + "/c.ogg", {}));
            chooseAndWait(url);
            chooseAndWait(url);
            QCOMPARE(fileNames(service.availableSongs()), songs);
            QCOMPARE(chosen(service), folder);
            QCOMPARE(onDisk().contains(kPlaylistKey), playlist);
            QCOMPARE(folderSpy.count(), 2);
            QCOMPARE(songsSpy.count(), playlist ? 2 : 0);

            // The restart below gets this folder back, not the missing one.
            const QString missing = m_root + "/missing";
            const QByteArray earlier = onDisk().value(key).toByteArray();
            StdoutCapture capture;
            chooseAndWait(QUrl::fromLocalFile(missing));
            QCOMPARE(capture.take(), QStringList {"Failed to save bookmark for " + key + ": No such file: " + missing});
            QCOMPARE(chosen(service), missing);
            QVERIFY(service.availableSongs().isEmpty());
            QCOMPARE(onDisk().value(key).toByteArray(), earlier);
        }
        {
            StdoutCapture capture;
            SettingsService restarted(m_files, store());
            QCOMPARE(capture.take(), QStringList {});
            QCOMPARE(chosen(restarted), folder);
            QTRY_COMPARE(fileNames(restarted.availableSongs()), songs);

            QSignalSpy songsSpy(&restarted, &SettingsService::availableSongsChanged);
            playlist ? restarted.clearPlaylistFolder() : restarted.clearOutputFolder();
            QCOMPARE(chosen(restarted), QString());
            QVERIFY(restarted.availableSongs().isEmpty());
            QCOMPARE(songsSpy.count(), playlist ? 1 : 0);
            QVERIFY(!onDisk().contains(key));
        }
        SettingsService afterClear(m_files, store());
        QCOMPARE(chosen(afterClear), QString());
        QVERIFY(afterClear.availableSongs().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSettingsService)
#include "tst_settings_service.moc"
