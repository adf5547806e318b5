#include "TestTools.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtEndian>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

testtools::ToolResult render(const QStringList& args)
{
    return testtools::run(QStringLiteral(LOOPCASTER_RENDER_BIN), args, 180000);
}

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QJsonObject streamOf(const QJsonObject& probe, const QString& type)
{
    for (const auto& s : probe["streams"].toArray()) {
        if (s.toObject()["codec_type"].toString() == type)
            return s.toObject();
    }
    return {};
}

double durationOf(const QJsonObject& probe)
{
    return probe["format"].toObject()["duration"].toString().toDouble();
}

} // namespace

class TestRenderCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void usageErrors_data();
    void usageErrors();
    void explicitSongsForEverySource();
    void playlistDrawsDifferentOpenings();
    void chaptersAndTracklistFollowTheDecodedSongs();
    void missingSourceFailsButOthersRender();
    void interruptStopsCleanly();
    void demoRendersPlayableMovie();

private:
    QTemporaryDir m_media;
    QString m_songA, m_songB, m_clip, m_image;
};

void TestRenderCli::initTestCase()
{
    QVERIFY(m_media.isValid());
    m_songA = m_media.filePath("Alpha.wav");
    m_songB = m_media.filePath("Beta Two.mp3");
    m_clip = m_media.filePath("clip.mp4");
    m_image = m_media.filePath("photo.png");
    QString e;
    QVERIFY2(testtools::makeTone(m_songA, 3.0, 440, 44100, {}, &e), qPrintable(e));
    QVERIFY2(testtools::makeTone(m_songB, 2.5, 550, 48000, {"-c:a", "libmp3lame", "-b:a", "128k"}, &e),
             qPrintable(e));
    QVERIFY2(testtools::makeClip(m_clip, 1.0, 320, 240, 30, {"-c:v", "libx264", "-bf", "3", "-pix_fmt", "yuv420p"}, &e),
             qPrintable(e));
    QVERIFY2(testtools::makeImage(m_image, 321, 241, &e), qPrintable(e));
}

void TestRenderCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList {};
    QTest::newRow("no songs") << QStringList {"clip.mp4"};
    QTest::newRow("no source") << QStringList {"--song", "a.wav"};
    QTest::newRow("playlist and songs") << QStringList {"--playlist", "/tmp", "--song", "a.wav", "clip.mp4"};
    QTest::newRow("value missing") << QStringList {"clip.mp4", "--song"};
    QTest::newRow("songs zero") << QStringList {"--playlist", "/tmp", "--songs", "0", "clip.mp4"};
    QTest::newRow("songs not a number") << QStringList {"--playlist", "/tmp", "--songs", "many", "clip.mp4"};
    QTest::newRow("songs without playlist") << QStringList {"--song", "a.wav", "--songs", "3", "clip.mp4"};
    QTest::newRow("negative crossfade") << QStringList {"--song", "a.wav", "--crossfade", "-1", "clip.mp4"};
    QTest::newRow("crossfade not a number") << QStringList {"--song", "a.wav", "--crossfade=x", "clip.mp4"};
    QTest::newRow("crossfade above 10 s") << QStringList {"--song", "a.wav", "--crossfade", "10.5", "clip.mp4"};
    QTest::newRow("crossfade 1e14") << QStringList {"--song", "a.wav", "--crossfade", "1e14", "clip.mp4"};
    QTest::newRow("crossfade 1e18") << QStringList {"--song", "a.wav", "--crossfade=1e18", "clip.mp4"};
    QTest::newRow("crossfade nan") << QStringList {"--song", "a.wav", "--crossfade", "nan", "clip.mp4"};
    QTest::newRow("songs above 1000") << QStringList {"--playlist", "/tmp", "--songs", "1001", "clip.mp4"};
    QTest::newRow("songs int max") << QStringList {"--playlist", "/tmp", "--songs", "2147483647", "clip.mp4"};
    QTest::newRow("songs beyond int") << QStringList {"--playlist", "/tmp", "--songs", "99999999999", "clip.mp4"};
    QStringList tooManySongs {"clip.mp4"};
    for (int i = 0; i < 1001; ++i)
        tooManySongs << "--song" << "a.wav";
    QTest::newRow("1001 songs") << tooManySongs;
    QTest::newRow("unknown option") << QStringList {"--song", "a.wav", "--fast", "clip.mp4"};
    QTest::newRow("demo with source") << QStringList {"--demo", "clip.mp4"};
    QTest::newRow("plan without playlist") << QStringList {"--plan", "3", "--song", "a.wav", "clip.mp4"};
    QTest::newRow("job with a source") << QStringList {"--job", "{}", "clip.mp4"};
}

void TestRenderCli::usageErrors()
{
    QFETCH(QStringList, args);
    const auto r = render(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("Usage:"), r.err.constData());
}

void TestRenderCli::explicitSongsForEverySource()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    // Two sources with one base name must not share an output file.
    const QString otherClip = m_media.filePath("second/clip.mp4");
    QVERIFY(QDir().mkpath(m_media.filePath("second")));
    QVERIFY(QFile::exists(otherClip) || QFile::copy(m_clip, otherClip));

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const auto r = render({"--song", m_songA, "--song", m_songB, "--crossfade", "1", "--out", out.path(),
                           m_clip, otherClip, m_image});
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    QVERIFY2(r.ok(), r.err.constData());
    QVERIFY2(!r.out.contains('\r'), "piped output must be plain lines");
    QVERIFY(r.out.contains("[3/3] photo.png"));

    const QStringList movies = QDir(out.path()).entryList({"*.mp4"}, QDir::Files, QDir::Name);
    QCOMPARE(movies.size(), 3);
    const QRegularExpression name(R"(^(clip|photo)_mix_(\d+)(_2)?\.mp4$)");
    QStringList kinds;
    for (const QString& movie : movies) {
        const auto m = name.match(movie);
        QVERIFY2(m.hasMatch(), qPrintable(movie));
        const qint64 seconds = m.captured(2).toLongLong();
        QVERIFY(seconds >= before && seconds <= after);
        kinds << m.captured(1) + m.captured(3);

        const QString path = out.filePath(movie);
        const QJsonObject probe = testtools::probe(path);
        QCOMPARE(streamOf(probe, "audio")["sample_rate"].toString(), QStringLiteral("44100"));
        QVERIFY(!streamOf(probe, "video").isEmpty());
        QVERIFY2(qAbs(durationOf(probe) - 4.5) < 0.2, qPrintable(QString::number(durationOf(probe))));
        QCOMPARE(readText(QString(path).replace(".mp4", ".txt")), QStringLiteral("00:00 - Alpha\n00:02 - Beta Two\n"));
    }
    kinds.sort();
    QCOMPARE(kinds, (QStringList {"clip", "clip_2", "photo"}));
}

void TestRenderCli::playlistDrawsDifferentOpenings()
{
    QTemporaryDir library;
    QTemporaryDir out;
    QVERIFY(library.isValid() && out.isValid());
    const QStringList titles {"one", "two", "three", "four"};
    const QStringList formats {"wav", "flac", "ogg", "m4a"};
    QString e;
    for (int i = 0; i < titles.size(); ++i) {
        QVERIFY2(testtools::makeTone(library.filePath(titles[i] + "." + formats[i]), 1.5, 300 + 100 * i, 44100, {}, &e),
                 qPrintable(e));
    }
    QVERIFY(QFile::copy(m_songA, library.filePath(".hidden.wav")));
    QFile notes(library.filePath("notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();

    const auto r = render({"--playlist", library.path(), "--songs", "2", "--crossfade", "0.5", "--out", out.path(),
                           m_clip, m_image});
    QVERIFY2(r.ok(), r.err.constData());

    // Two videos of two songs from four: their openings cannot share a song.
    QSet<QString> used;
    const QStringList lists = QDir(out.path()).entryList({"*.txt"}, QDir::Files);
    QCOMPARE(lists.size(), 2);
    for (const QString& list : lists) {
        const QStringList lines = readText(out.filePath(list)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        for (const QString& line : lines) {
            const QString title = line.section(" - ", 1);
            QVERIFY2(titles.contains(title), qPrintable(line));
            QVERIFY2(!used.contains(title), qPrintable(line));
            used.insert(title);
        }
    }
}

// Songs whose containers misstate their length (a VBR MP3 without a Xing
// header, a WAV whose header claims twice its data): the tracklist and the
// movie's chapters both follow the decoded songs, and agree with each other.
void TestRenderCli::chaptersAndTracklistFollowTheDecodedSongs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString mp3 = dir.filePath("Quiet Start.mp3");
    const QString wav = dir.filePath("lying.wav");
    QString e;
    // Two silent seconds first: the length estimated from the first frame's
    // bitrate is about four times too long.
    QVERIFY2(testtools::ffmpeg({"-f", "lavfi", "-i",
                                "aevalsrc=exprs='if(lt(t,2),0,0.5*sin(2*PI*440*t)*random(0))':s=44100:d=8", "-ac",
                                "2", "-c:a", "libmp3lame", "-q:a", "0", "-write_xing", "0", mp3},
                               &e),
             qPrintable(e));
    QVERIFY2(testtools::makeTone(wav, 5, 300, 44100, {}, &e), qPrintable(e));
    {
        QFile f(wav);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        const qsizetype data = bytes.indexOf("data");
        QVERIFY(data > 0);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + data + 4);
        qToLittleEndian<quint32>(size * 2, bytes.data() + data + 4);
        QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
    }
    const double mp3Seconds = testtools::decodeAudio(mp3).size() / 2 / 44100.0;
    const QJsonObject mp3Probe = testtools::probe(mp3);
    QVERIFY2(durationOf(mp3Probe) > 2 * mp3Seconds, "the MP3's container length should be an overestimate");

    const auto r = render({"--song", mp3, "--song", wav, "--song", m_songA, "--crossfade", "1", "--out",
                           dir.filePath("out"), m_image});
    QVERIFY2(r.ok(), r.err.constData());
    const QString movie = QDir(dir.filePath("out")).entryInfoList({"*.mp4"}).value(0).absoluteFilePath();
    const QStringList lines = readText(QString(movie).replace(".mp4", ".txt")).split('\n', Qt::SkipEmptyParts);
    const QList<double> starts {0, mp3Seconds - 1, mp3Seconds - 1 + 5 - 1};
    const QStringList titles {"Quiet Start", "lying", "Alpha"};
    QCOMPARE(lines.size(), 3);

    const auto chapters = testtools::run("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", movie});
    const QJsonArray list = QJsonDocument::fromJson(chapters.out)["chapters"].toArray();
    QCOMPARE(list.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(lines[i], QStringLiteral("%1 - %2").arg(QString::asprintf("00:%02d", int(starts[i])), titles[i]));
        const QJsonObject ch = list[i].toObject();
        QCOMPARE(ch["tags"].toObject()["title"].toString(), titles[i]);
        const double start = ch["start_time"].toString().toDouble();
        QVERIFY2(qAbs(start - starts[i]) < 0.001, qPrintable(QString::number(start)));
    }
}

void TestRenderCli::missingSourceFailsButOthersRender()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const QString missing = m_media.filePath("gone.mp4");
    const auto r = render({"--song", m_songA, "--out", out.path(), missing, m_image});
    QVERIFY(r.exitCode != 0 && r.exitCode != 2);
    QVERIFY2(r.err.contains(missing.toUtf8()), r.err.constData());
    QCOMPARE(QDir(out.path()).entryList({"photo_mix_*.mp4"}, QDir::Files).size(), 1);
    QVERIFY(QDir(out.path()).entryList({"gone_mix_*"}, QDir::Files).isEmpty());
}

void TestRenderCli::interruptStopsCleanly()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const QString longSong = m_media.filePath("Long.wav");
    QString e;
    QVERIFY2(testtools::makeTone(longSong, 600.0, 330, 44100, {}, &e), qPrintable(e));

    QProcess p;
    p.start(QStringLiteral(LOOPCASTER_RENDER_BIN), {"--song", longSong, "--out", out.path(), m_clip, m_image});
    QVERIFY(p.waitForStarted());
    QByteArray seen;
    while (!seen.contains("Remuxing") && p.waitForReadyRead(30000))
        seen += p.readAllStandardOutput();
    QVERIFY2(seen.contains("Remuxing"), seen.constData());
    p.terminate();
    QVERIFY(p.waitForFinished(30000));

    // Stopped mid-run: nothing half-written is left and the second source is
    // not started.
    QCOMPARE(p.exitCode(), 130);
    QVERIFY(p.readAllStandardError().contains("Remux cancelled"));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
}

void TestRenderCli::demoRendersPlayableMovie()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    testtools::ToolResult r;
    {
        // The demo must not need a display.
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        r = render({"--demo", "--out", out.path()});
    }
    QVERIFY2(r.ok(), r.err.constData());

    const QStringList movies = QDir(out.path()).entryList({"*.mp4"}, QDir::Files);
    QCOMPARE(movies.size(), 1);
    const QString movie = out.filePath(movies.first());
    const QString tracklist = QString(movie).replace(".mp4", ".txt");
    QVERIFY(r.out.contains(movie.toUtf8()));
    QVERIFY(r.out.contains(tracklist.toUtf8()));

    const QJsonObject probe = testtools::probe(movie);
    QCOMPARE(streamOf(probe, "video")["width"].toInt(), 1280);
    QCOMPARE(streamOf(probe, "video")["height"].toInt(), 720);
    QCOMPARE(streamOf(probe, "audio")["channels"].toInt(), 2);
    // 9 + 8.5 + 10 seconds of tones joined by two 2 s crossfades.
    QVERIFY2(qAbs(durationOf(probe) - 23.5) < 0.2, qPrintable(QString::number(durationOf(probe))));
    QCOMPARE(testtools::decodeErrors(movie), QString());
    QCOMPARE(readText(tracklist),
             QStringLiteral("00:00 - 01 Low Chord\n00:07 - 02 Middle Chord\n00:13 - 03 High Chord\n"));
}

QTEST_GUILESS_MAIN(TestRenderCli)
#include "test_render_cli.moc"
