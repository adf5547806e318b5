// One batch from drop to movie through the real queue: a playlist folder set,
// a clip dropped on the zone, Start Processing, and the row ends "Finished"
// with the movie and its tracklist on disk.

#include "WindowFixture.h"

#include "TestTools.h"
#include "services/SettingsService.h"
#include "views/DropArea.h"
#include "views/JobRow.h"
#include "views/QueueView.h"
#include "views/StartButton.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTest>
#include <QToolButton>

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void dropStartAndFinish();
};

void TestEndToEnd::dropStartAndFinish()
{
    WindowFixture w;
    QString error;
    QVERIFY(QDir().mkpath(w.dir.filePath("Songs")) && QDir().mkpath(w.dir.filePath("Out")));
    QVERIFY2(testtools::makeTone(w.dir.filePath("Songs/a.wav"), 2.0, 440, 44100, {}, &error), qPrintable(error));
    QVERIFY2(testtools::makeTone(w.dir.filePath("Songs/b.wav"), 2.0, 660, 44100, {}, &error), qPrintable(error));
    const QString clip = w.dir.filePath("beach.mp4");
    QVERIFY2(testtools::makeClip(clip, 1.0, 160, 120, 25, {"-c:v", "libx264", "-pix_fmt", "yuv420p"}, &error),
             qPrintable(error));
    SettingsService& settings = w.container->settingsService();
    settings.choosePlaylistFolder(QUrl::fromLocalFile(w.dir.filePath("Songs")));
    settings.chooseOutputFolder(QUrl::fromLocalFile(w.dir.filePath("Out")));
    settings.setSongCount(2);
    settings.setCrossfadeDuration(0.5);

    QVERIFY(dragFiles(w.find<views::DropArea>("dropArea"), {QUrl::fromLocalFile(clip)}, true));
    auto* start = w.find<views::StartButton>("startButton");
    QVERIFY(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);

    QTRY_COMPARE(w.content->queue()->rows().size(), 1);
    views::JobRow* row = w.content->queue()->rows().first();
    QTRY_COMPARE_WITH_TIMEOUT(row->job()->statusMessage(), QString("Finished"), 60000);
    QVERIFY(row->findChild<QToolButton*>("revealButton")->isVisibleTo(row));

    const QString movie = row->job()->outputPath().value_or("");
    QVERIFY2(QFile::exists(movie), qPrintable(movie));
    const QJsonObject probe = testtools::probe(movie);
    // One picture and one sound stream (the chapter list may add a text track).
    QStringList kinds;
    for (const QJsonValue& stream : probe["streams"].toArray())
        kinds << stream["codec_type"].toString();
    QCOMPARE(kinds.count("video"), 1);
    QCOMPARE(kinds.count("audio"), 1);
    // Two 2-second songs overlapping by half a second.
    QVERIFY(qAbs(probe["format"].toObject()["duration"].toString().toDouble() - 3.5) < 0.1);
    QCOMPARE(testtools::decodeErrors(movie), QString());

    QFile tracklist(QFileInfo(movie).path() + "/" + QFileInfo(movie).completeBaseName() + ".txt");
    QVERIFY(tracklist.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(tracklist.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    // The second song starts where the first begins to fade out, at 1.5 s.
    QVERIFY2(lines[0].startsWith("00:00 - ") && lines[1].startsWith("00:01 - "), qPrintable(lines.join(" | ")));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
