#include "services/FileService.h"
#include "services/TracklistWriter.h"
#include "media/audio/MixPlan.h"

#include "TestTools.h"

#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <limits>
#include <optional>

using Durations = QList<std::optional<double>>;

class TestTracklist : public QObject {
    Q_OBJECT

private slots:
    void formatTimestamp_data();
    void formatTimestamp();
    void tracklistURL_data();
    void tracklistURL();
    void tracklistText_data();
    void tracklistText();
    void tracklistTextFromPlan_data();
    void tracklistTextFromPlan();
    void writesMeasuredTimesAndReplacesOldFile();
    void asyncReportsBackOnlyWhileContextLives();

private:
    static QString readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

void TestTracklist::formatTimestamp_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "00:00";
    QTest::newRow("fraction dropped") << 61.9 << "01:01";
    QTest::newRow("last two-field") << 3599.0 << "59:59";
    QTest::newRow("one hour") << 3600.0 << "01:00:00";
    QTest::newRow("hour minute second") << 3725.0 << "01:02:05";
    QTest::newRow("hundred hours") << 360000.0 << "100:00:00";
    QTest::newRow("negative fields") << -65.0 << "-1:-5";
    QTest::newRow("negative truncates toward zero") << -0.9 << "00:00";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "00:00";
}

void TestTracklist::formatTimestamp()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(TracklistWriter::formatTimestamp(seconds), text);
}

void TestTracklist::tracklistURL_data()
{
    QTest::addColumn<QString>("movie");
    QTest::addColumn<QString>("tracklist");
    QTest::newRow("mp4") << "/out/holiday_mix_42.mp4" << "/out/holiday_mix_42.txt";
    QTest::newRow("dotted name") << "/out/a.b_mix_1.mp4" << "/out/a.b_mix_1.txt";
    QTest::newRow("no extension, dotted folder") << "/out.d/movie" << "/out.d/movie.txt";
}

void TestTracklist::tracklistURL()
{
    QFETCH(QString, movie);
    QFETCH(QString, tracklist);
    QCOMPARE(TracklistWriter::tracklistURL(QUrl::fromLocalFile(movie)).toLocalFile(), tracklist);
}

void TestTracklist::tracklistText_data()
{
    QTest::addColumn<Durations>("durations");
    QTest::addColumn<double>("crossfade");
    QTest::addColumn<QString>("text");

    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Songs are "01 Intro.m4a", "Café.mp3", "a.b.flac" (and "Last.wav").
    QTest::newRow("three songs")
        << Durations {180.0, 200.0, 240.0} << 3.0
        << "00:00 - 01 Intro\n02:57 - Café\n06:14 - a.b\n";
    QTest::newRow("middle unreadable keeps its crossfade out")
        << Durations {180.0, std::nullopt, 240.0} << 3.0 << "00:00 - 01 Intro\n02:57 - a.b\n";
    QTest::newRow("first unreadable")
        << Durations {std::nullopt, 200.0, 240.0} << 3.0 << "00:00 - Café\n03:17 - a.b\n";
    QTest::newRow("crossfade longer than songs runs backwards")
        << Durations {10.0, 10.0, 10.0} << 42.5 << "00:00 - 01 Intro\n00:-32 - Café\n-1:-5 - a.b\n";
    QTest::newRow("passing one hour")
        << Durations {3000.0, 700.0, 100.0, 5.0} << 0.0
        << "00:00 - 01 Intro\n50:00 - Café\n01:01:40 - a.b\n01:03:20 - Last\n";
    QTest::newRow("infinite duration is unreadable")
        << Durations {100.0, inf, 50.0} << 3.0 << "00:00 - 01 Intro\n01:37 - a.b\n";
    QTest::newRow("nan duration is unreadable")
        << Durations {nan, 100.0} << 3.0 << "00:00 - Café\n";
    QTest::newRow("nothing readable") << Durations {std::nullopt, std::nullopt} << 3.0 << "";
    QTest::newRow("no songs") << Durations {} << 3.0 << "";
}

void TestTracklist::tracklistText()
{
    QFETCH(Durations, durations);
    QFETCH(double, crossfade);
    QFETCH(QString, text);

    const QList<QUrl> all {QUrl::fromLocalFile("/music/01 Intro.m4a"),
                           QUrl::fromLocalFile(QStringLiteral("/music/Café.mp3")),
                           QUrl::fromLocalFile("/music/a.b.flac"), QUrl::fromLocalFile("/music/Last.wav")};
    QCOMPARE(TracklistWriter::tracklistText(all.first(durations.size()), durations, crossfade), text);
}

using Frames = QList<qint64>; // per song; 0 = no audio (skipped)

void TestTracklist::tracklistTextFromPlan_data()
{
    QTest::addColumn<Frames>("frames");
    QTest::addColumn<double>("crossfade");
    QTest::addColumn<QString>("text");
    // One sample short of 60 s minus the crossfade must not round up to the
    // next second; a skipped song has no line and takes no time.
    QTest::newRow("sample before boundary")
        << Frames {61 * 44100 - 1, 10 * 44100} << 1.0 << "00:00 - 01 Intro\n00:59 - Café\n";
    QTest::newRow("skipped middle")
        << Frames {44100 * 3600, 0, 44100} << 0.0 << "00:00 - 01 Intro\n01:00:00 - a.b\n";
}

void TestTracklist::tracklistTextFromPlan()
{
    QFETCH(Frames, frames);
    QFETCH(double, crossfade);
    QFETCH(QString, text);
    const QStringList paths {"/music/01 Intro.m4a", QStringLiteral("/music/Café.mp3"), "/music/a.b.flac"};
    lc::media::MixPlanBuilder builder(int(frames.size()), crossfade);
    for (int i = 0; i < frames.size(); ++i) {
        lc::media::SongMeasurement m;
        m.hasAudio = frames[i] > 0;
        m.frames = frames[i];
        builder.add(i, paths[i], m);
    }
    QCOMPARE(TracklistWriter::tracklistText(builder.plan()), text);
}

void TestTracklist::writesMeasuredTimesAndReplacesOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString vbr = dir.filePath("Quiet Then Loud.mp3");
    const QString wav = dir.filePath("Tone.wav");
    const QString flac = dir.filePath(QStringLiteral("Schluss ü.flac"));
    QString error;
    // 10 s of silence then 10 s of noise, VBR with no Xing header: the
    // container's bitrate estimate says about a minute.
    QVERIFY2(testtools::ffmpeg({"-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo:d=10", "-f", "lavfi", "-i",
                                "anoisesrc=d=10:r=44100:a=0.5", "-filter_complex",
                                "[1]aformat=channel_layouts=stereo[n];[0][n]concat=n=2:v=0:a=1",
                                "-c:a", "libmp3lame", "-q:a", "0", "-write_xing", "0", vbr},
                               &error),
             qPrintable(error));
    QVERIFY2(testtools::makeTone(wav, 3.0, 440, 48000, {}, &error), qPrintable(error));
    QVERIFY2(testtools::makeTone(flac, 2.0, 660, 44100, {}, &error), qPrintable(error));
    const double estimated = testtools::probe(vbr)["format"].toObject()["duration"].toString().toDouble();
    QVERIFY2(estimated > 30, "the MP3 must fool a bitrate-based estimate");

    const QString movie = dir.filePath("clip_mix_7.mp4");
    const QString tracklist = dir.filePath("clip_mix_7.txt");
    {
        QFile old(tracklist);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("99:99 - stale line that must go\n");
    }

    const QList<QUrl> songs {QUrl::fromLocalFile(vbr), QUrl::fromLocalFile(wav),
                             QUrl::fromLocalFile(dir.filePath("missing.mp3")), QUrl::fromLocalFile(flac)};
    TracklistWriter::writeTracklist(songs, QUrl::fromLocalFile(movie), 0.5);

    // 20.0x - 0.5 -> 19.5x; + 3 - 0.5 -> 22.0x; the missing song takes its
    // crossfade with it.
    QCOMPARE(readAll(tracklist),
             QStringLiteral("00:00 - Quiet Then Loud\n00:19 - Tone\n00:22 - Schluss ü\n"));
    QCOMPARE(FileService::shared().openAccessCount(), 0);
}

void TestTracklist::asyncReportsBackOnlyWhileContextLives()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString song = dir.filePath("Song.wav");
    QString error;
    QVERIFY2(testtools::makeTone(song, 65.0, 440, 44100, {}, &error), qPrintable(error));

    QObject context;
    Qt::HANDLE calledOn = nullptr;
    int calls = 0;
    TracklistWriter::writeTracklistAsync({QUrl::fromLocalFile(song), QUrl::fromLocalFile(song)},
                                         QUrl::fromLocalFile(dir.filePath("a.mp4")), 3.0, &context,
                                         [&] { ++calls; calledOn = QThread::currentThreadId(); });
    QCOMPARE(calls, 0);
    QTRY_COMPARE(calls, 1);
    QCOMPARE(calledOn, QThread::currentThreadId());
    QCOMPARE(readAll(dir.filePath("a.txt")), QStringLiteral("00:00 - Song\n01:02 - Song\n"));

    auto* gone = new QObject;
    bool lateCall = false;
    TracklistWriter::writeTracklistAsync({QUrl::fromLocalFile(song)}, QUrl::fromLocalFile(dir.filePath("b.mp4")),
                                         3.0, gone, [&] { lateCall = true; });
    delete gone;
    QTRY_VERIFY(QFile::exists(dir.filePath("b.txt")));
    QTest::qWait(100);
    QVERIFY(!lateCall);
}

QTEST_GUILESS_MAIN(TestTracklist)
#include "test_tracklist.moc"
