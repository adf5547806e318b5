// Bookmark blobs and the shared resolver: the file is found again after the
// changes users make between launches, and bad data is refused with one line.
// Also the folder the single-instance lock may live in.

#include "StdoutCapture.h"
#include "TestTools.h"
#include "platform/Bookmark.h"
#include "platform/SingleInstance.h"
#include "services/FileService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using testtools::StdoutCapture;

namespace {

QByteArray bookmarkOf(const QString& path)
{
    return FileService().createBookmark(QUrl::fromLocalFile(path)).valueOr({});
}

// Resolves `data` and returns the path found ("" for none) and the lines printed.
std::pair<QString, QStringList> resolve(const QByteArray& data)
{
    StdoutCapture capture;
    const std::optional<QUrl> url = FileService().resolveBookmark(data);
    return {url ? url->toLocalFile() : QString(), capture.take()};
}

enum class Change { RenameInFolder, Replace, Delete, InodeTakenOver, Truncate, TrailingBytes, NewerVersion };

} // namespace

class TestBookmarks : public QObject {
    Q_OBJECT

private slots:
    void resolvesAfterChange_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("expectedPath"); // relative to the temp dir; empty: no URL
        QTest::addColumn<QString>("expectedLine"); // %1 is the temp dir
        // Unchanged, and a folder renamed in its parent: tst_settings_service.
        QTest::newRow("renamed within folder")
            << Change::RenameInFolder << "music/renamed.mp3" << "⚠️ Bookmark is stale for %1/music/renamed.mp3";
        QTest::newRow("replaced by a new file")
            << Change::Replace << "music/song.mp3" << "⚠️ Bookmark is stale for %1/music/song.mp3";
        QTest::newRow("deleted") << Change::Delete << "" << "❌ Failed to resolve bookmark: No such file: %1/music/song.mp3";
        QTest::newRow("deleted, inode now another file's") << Change::InodeTakenOver << "" << "❌ Failed to resolve bookmark: No such file: %1/music/song.mp3";
        // Bad data is refused with one line. (Empty data and garbage:
        // tst_settings_service::restoreAtConstruction.)
        const QString corrupt = "❌ Failed to resolve bookmark: Bookmark data is corrupt";
        QTest::newRow("truncated") << Change::Truncate << "" << corrupt;
        QTest::newRow("trailing bytes") << Change::TrailingBytes << "" << corrupt;
        QTest::newRow("unknown version") << Change::NewerVersion << ""
                                         << "❌ Failed to resolve bookmark: Unsupported bookmark version 7";
    }
    void resolvesAfterChange()
    {
        QFETCH(Change, change);
        QFETCH(QString, expectedPath);
        QFETCH(QString, expectedLine);
        QTemporaryDir tmp;
        const QString root = tmp.path();
        QVERIFY(QDir(root).mkpath("elsewhere"));
        QVERIFY(testtools::writeFile(root + "/music/song.mp3", "first"));
        QVERIFY(testtools::writeFile(root + "/music/other.mp3", "other"));
        const QString target = root + "/music/song.mp3";
        QByteArray data = bookmarkOf(target);
        QVERIFY(!data.isEmpty());

        switch (change) {
        case Change::RenameInFolder:
            QVERIFY(QFile::rename(target, root + "/music/renamed.mp3"));
            break;
        case Change::Replace:
            // Save-by-replace: write a new file beside it, then rename over it.
            // Keep the old inode alive so the new file cannot reuse its number.
            QVERIFY(QFile::link(target, root + "/elsewhere/keep-alive"));
            QVERIFY(testtools::writeFile(root + "/music/song.tmp", "second"));
            QVERIFY(::rename(QFile::encodeName(root + "/music/song.tmp").constData(),
                             QFile::encodeName(target).constData()) == 0);
            break;
        case Change::InodeTakenOver: // as a new file given the freed inode number would
            QVERIFY(::link(QFile::encodeName(target), QFile::encodeName(root + "/music/private.mp4")) == 0);
            QVERIFY(testtools::writeFile(root + "/music/private.mp4", "someone's private clip"));
            [[fallthrough]];
        case Change::Delete:
            QVERIFY(QFile::remove(target));
            break;
        case Change::Truncate:
            data.chop(3);
            break;
        case Change::TrailingBytes:
            data += "junk";
            break;
        case Change::NewerVersion:
            data[5] = char(7); // the version follows the 4-byte magic, big-endian 16 bit
            break;
        }

        const auto [path, lines] = resolve(data);
        QCOMPARE(path, expectedPath.isEmpty() ? QString() : root + "/" + expectedPath);
        QCOMPARE(lines, expectedLine.isEmpty() ? QStringList() : QStringList {expectedLine.arg(root)});
    }

    // Only a folder of ours that no one else can enter may hold the lock.
    void singleInstanceNeedsAPrivateFolder()
    {
        QTemporaryDir tmp;
        const QByteArray own = QFile::encodeName(tmp.filePath("private"));
        const QByteArray open = QFile::encodeName(tmp.filePath("open-to-all"));
        QVERIFY(::mkdir(own, 0700) == 0 && ::mkdir(open, 0) == 0 && ::chmod(open, 0777) == 0);
        QVERIFY(::symlink(own, QFile::encodeName(tmp.filePath("link-to-private"))) == 0);
        for (const QString folder : {"private", "open-to-all", "link-to-private"}) {
            SingleInstance instance("store", tmp.filePath(folder));
            QVERIFY2((instance.claim({}, 0) == SingleInstance::Role::first) == (folder == "private"), qPrintable(folder));
        }
    }
};

QTEST_GUILESS_MAIN(TestBookmarks)
#include "tst_bookmarks.moc"
