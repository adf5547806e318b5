// The song library scan: which files count as songs and the order they come in.

#include "TestTools.h"
#include "services/SettingsService.h"
#include "services/SongLibraryScanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

QStringList scanRelative(const QString& root)
{
    QStringList out;
    for (const QUrl& url : SongLibraryScanner::scan(root, SettingsService::supportedAudioExtensions()))
        out << QDir(root).relativeFilePath(url.toLocalFile());
    return out;
}

} // namespace

class TestSongLibrary : public QObject {
    Q_OBJECT

private slots:
    void scanFindsAndOrdersSongs_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("mixed folder")
            << QStringList {"b.mp3", "A.MP3", "notes.txt", ".hidden.mp3", "Sub/deep.flac", "clip.mp4"}
            << QStringList {"A.MP3", "b.mp3", "Sub/deep.flac"};
        QTest::newRow("sorted by file name only") << QStringList {"x/Zed.wav", "y/alpha.wav"}
                                                  << QStringList {"y/alpha.wav", "x/Zed.wav"};
        QTest::newRow("hidden folder skipped")
            << QStringList {".cache/in-hidden.mp3", "Visible/.also-hidden/x.mp3", "Visible/shown.mp3"}
            << QStringList {"Visible/shown.mp3"};
        const QStringList everyExtension {"a.WAV", "b.M4a", "c.FlAc", "d.aiff", "e.aac", "f.OGG", "g.wma", "h.mp3"};
        QTest::newRow("every song extension, any case") << everyExtension << everyExtension;
        QTest::newRow("near misses are not songs")
            << QStringList {"cover.jpg", "song.mp3.part", "mp3", "trailing.", "song.mp33", "aiff.aif", "ok.mp3"}
            << QStringList {"ok.mp3"};
        QTest::newRow("a folder named like a song is searched, not listed") << QStringList {"Album.mp3/inside.mp3"}
                                                                            << QStringList {"Album.mp3/inside.mp3"};
        QTest::newRow("letters with accents sort with their base letter")
            << QStringList {"Zebra.mp3", "b.mp3", "Äpfel.mp3", "apple.mp3"}
            << QStringList {"Äpfel.mp3", "apple.mp3", "b.mp3", "Zebra.mp3"};
    }
    void scanFindsAndOrdersSongs()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);
        QTemporaryDir tmp;
        for (const QString& file : files)
            QVERIFY2(testtools::writeFile(tmp.path() + "/" + file, {}), qPrintable(file));
        QCOMPARE(scanRelative(tmp.path()), expected);
        QVERIFY(scanRelative(tmp.path() + "/gone").isEmpty());
    }

    void awkwardEntriesAreSkipped()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path();
        QVERIFY(testtools::writeFile(root + "/real/song.mp3", {}));
        // A loop back to the top and a second way into "real": neither may hang
        // the scan or list a song twice.
        QVERIFY(QFile::link(root, root + "/real/loop"));
        QVERIFY(QFile::link(root + "/real", root + "/alias"));
        QVERIFY(QFile::link(root + "/nowhere", root + "/dangling.mp3"));
        // Links leading out of the folder are not followed: a playlist is what
        // lies inside it, not whatever the links reach.
        QTemporaryDir outside;
        QVERIFY(testtools::writeFile(outside.path() + "/elsewhere.mp3", {}));
        QVERIFY(QFile::link(outside.path(), root + "/away"));
        QVERIFY(QFile::link(outside.path() + "/elsewhere.mp3", root + "/away.mp3"));
        QCOMPARE(scanRelative(root), QStringList {"alias/song.mp3"});

        // Songs we may not read are left out, so a random draw never picks one.
        if (::geteuid() == 0)
            QSKIP("root reads everything");
        QVERIFY(testtools::writeFile(root + "/locked/secret.mp3", {}));
        for (const QString& locked : {root + "/locked/secret.mp3", root + "/locked"}) {
            QVERIFY(QFile::setPermissions(locked, {}));
            const QStringList songs = scanRelative(root);
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(songs, QStringList {"alias/song.mp3"});
        }
    }
};

QTEST_GUILESS_MAIN(TestSongLibrary)
#include "tst_song_library.moc"
