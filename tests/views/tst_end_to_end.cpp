// One batch from drop to movie through the real queue: a playlist folder set,
// a clip dropped on the zone, Start Processing, and the row ends "Finished"
// with the movie and its tracklist on disk. What the movie holds is probed
// where the queue renders it without a window (tst_job_service_render).

#include "WindowFixture.h"

#include "TestTools.h"
#include "services/SettingsService.h"
#include "views/DropArea.h"
#include "views/JobRow.h"
#include "views/QueueView.h"
#include "views/StartButton.h"

#include <QDir>
#include <QFile>
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
    QVERIFY2(testtools::makeTone(w.dir.filePath("Songs/a.wav"), 1.0, 440, 44100, {}, &error), qPrintable(error));
    QVERIFY2(testtools::makeTone(w.dir.filePath("Songs/b.wav"), 1.0, 660, 44100, {}, &error), qPrintable(error));
    const QString clip = w.dir.filePath("beach.mp4");
    QVERIFY2(testtools::makeClip(clip, 0.5, 160, 120, 25, {"-c:v", "libx264", "-pix_fmt", "yuv420p"}, &error),
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

    // The movie lands in the folder chosen in the settings, beside its tracklist.
    const QString movie = row->job()->outputPath().value_or("");
    QCOMPARE(QFileInfo(movie).absolutePath(), w.dir.filePath("Out"));
    QVERIFY2(QFileInfo(movie).size() > 0, qPrintable(movie));
    QVERIFY(QFile::exists(movie.chopped(4) + ".txt"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
