// The command-line renderer run as a user would: argument checks, explicit
// songs with a missing source, an interrupt, the demo, and a playlist batch
// planned as job lines and rendered one job per process.

#include "TestTools.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

testtools::ToolResult render(const QStringList& args)
{
    return testtools::run(QStringLiteral(LOOPCASTER_RENDER_BIN), args, 180000);
}

} // namespace

class TestRenderCli : public QObject {
    Q_OBJECT
    QTemporaryDir m_media;
    QString m_songA, m_songB, m_clip, m_image;

private slots:
    void initTestCase()
    {
        m_songA = m_media.filePath("Alpha.wav");
        m_songB = m_media.filePath("Beta Two.mp3");
        m_clip = m_media.filePath("clip.mp4");
        m_image = m_media.filePath("photo.png");
        QVERIFY(testtools::makeTone(m_songA, 3.0, 440, 44100));
        QVERIFY(testtools::makeTone(m_songB, 2.5, 550, 48000, {"-c:a", "libmp3lame", "-b:a", "128k"}));
        QVERIFY(testtools::makeClip(m_clip, 1.0, 320, 240, 30, {"-c:v", "libx264", "-bf", "3"}));
        QVERIFY(testtools::makeImage(m_image, 321, 241));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("message"); // in the error output
        const auto usage = [](const char* name, const QStringList& args) {
            QTest::newRow(name) << args << QByteArray("Usage:");
        };
        usage("no songs", {"clip.mp4"});
        usage("no source", {"--song", "a.wav"});
        usage("playlist and songs", {"--playlist", "/tmp", "--song", "a.wav", "clip.mp4"});
        QTest::newRow("value missing") << QStringList {"clip.mp4", "--song"} << QByteArray("--song needs a value");
        usage("songs zero", {"--playlist", "/tmp", "--songs", "0", "clip.mp4"});
        usage("songs without playlist", {"--song", "a.wav", "--songs", "3", "clip.mp4"});
        usage("negative crossfade", {"--song", "a.wav", "--crossfade", "-1", "clip.mp4"});
        usage("crossfade not a number", {"--song", "a.wav", "--crossfade=x", "clip.mp4"});
        usage("crossfade above 10 s", {"--song", "a.wav", "--crossfade", "10.5", "clip.mp4"});
        usage("crossfade nan", {"--song", "a.wav", "--crossfade", "nan", "clip.mp4"});
        usage("songs above 1000", {"--playlist", "/tmp", "--songs", "1001", "clip.mp4"});
        usage("loudness above -5 LUFS", {"--song", "a.wav", "--loudness", "-4", "clip.mp4"});
        usage("loudness not a number", {"--song", "a.wav", "--loudness", "loud", "clip.mp4"});
        usage("titles neither tags nor files", {"--song", "a.wav", "--titles", "names", "clip.mp4"});
        QStringList tooManySongs {"clip.mp4"};
        for (int i = 0; i < 1001; ++i)
            tooManySongs << "--song" << "a.wav";
        usage("1001 songs", tooManySongs);
        QTest::newRow("unknown option") << QStringList {"--song", "a.wav", "--fast", "clip.mp4"}
                                        << QByteArray("unknown option --fast");
        usage("demo with source", {"--demo", "clip.mp4"});
        usage("plan without playlist", {"--plan", "3", "--song", "a.wav", "clip.mp4"});
        usage("job with a source", {"--job", "{}", "clip.mp4"});
        // Job lines are checked as strictly as arguments.
        const auto badJob = [](const char* name, const QString& songs, const QString& crossfade,
                               const QString& source = "/a.mp4", const QString& output = "/o.mp4") {
            const QString line = R"({"source":"%1","songs":[%2],"crossfade":%3,"output":"%4"})";
            QTest::newRow(name) << QStringList {"--job", line.arg(source, songs, crossfade, output)} << QByteArray("error: ");
        };
        QTest::newRow("job not json") << QStringList {"--job", "clip.mp4 song.mp3"} << QByteArray("error: ");
        badJob("job source relative", R"("/s.wav")", "3", "a.mp4");
        badJob("job without songs", "", "3");
        badJob("job crossfade text", R"("/s.wav")", R"("nan")");
        badJob("job crossfade above 10 s", R"("/s.wav")", "10.5");
        badJob("job output not a movie", R"("/s.wav")", "3", "/a.mp4", "/o.txt");
        badJob("job loudness below -30 LUFS", R"("/s.wav")", R"(3,"loudness":-31)");
        badJob("job ceiling above 0 dBTP", R"("/s.wav")", R"(3,"loudness":-14,"truePeak":1)");
        badJob("job titles unknown", R"("/s.wav")", R"(3,"titles":"names")");
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, message);
        const auto r = render(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), r.err.constData());
    }

    void explicitSongsForEverySource()
    {
        QTemporaryDir out;
        // Two sources with one base name must not share an output file.
        const QString otherClip = m_media.filePath("second/clip.mp4");
        QVERIFY(QDir().mkpath(m_media.filePath("second")));
        QVERIFY(QFile::exists(otherClip) || QFile::copy(m_clip, otherClip));

        // A missing source fails on its own; the others still render.
        const QString missing = m_media.filePath("gone.mp4");
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const auto r = render({"--song", m_songA, "--song", m_songB, "--crossfade", "1", "--out", out.path(),
                               m_clip, missing, otherClip, m_image});
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        QVERIFY2(r.exitCode != 0 && r.exitCode != 2, r.err.constData());
        QVERIFY2(r.err.contains(missing.toUtf8()), r.err.constData());
        QVERIFY2(!r.out.contains('\r'), "piped output must be plain lines");
        QVERIFY(r.out.contains("[4/4] photo.png"));

        const QStringList movies = QDir(out.path()).entryList({"*.mp4"}, QDir::Files, QDir::Name);
        QCOMPARE(movies.size(), 3); // none named after the missing source
        const QRegularExpression name(R"(^(clip|photo)_mix_(\d+)(_2)?\.mp4$)");
        QStringList kinds;
        for (const QString& movie : movies) {
            const auto m = name.match(movie);
            QVERIFY2(m.hasMatch(), qPrintable(movie));
            const qint64 seconds = m.captured(2).toLongLong();
            QVERIFY(seconds >= before && seconds <= after);
            kinds << m.captured(1) + m.captured(3);

            // The crossfade given shows in the second song's start.
            QCOMPARE(testtools::readFile(out.filePath(movie).replace(".mp4", ".txt")),
                     QByteArray("00:00 - Alpha\n00:02 - Beta Two\n"));
        }
        kinds.sort();
        QCOMPARE(kinds, (QStringList {"clip", "clip_2", "photo"}));
    }

    void interruptStopsCleanly_data()
    {
        QTest::addColumn<bool>("readerGone"); // else SIGTERM
        QTest::newRow("SIGTERM") << false;
        QTest::newRow("reader of stdout gone") << true;
    }
    void interruptStopsCleanly()
    {
        QFETCH(bool, readerGone);
        QTemporaryDir out;
        // An hour of silence: seconds to export (the interrupt comes within
        // milliseconds of the first export line), under a megabyte to store.
        const QString longSong = m_media.filePath("Long.flac");
        QVERIFY(QFile::exists(longSong)
                || testtools::ffmpeg({"-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo", "-t", "3600", longSong}));

        const QStringList args {"--song", longSong, "--out", out.path(), m_clip, m_image};
        QProcess p;
        if (readerGone) // `| head`, with the export under way when the reader quits
            p.start("sh", QStringList {"-c", R"({ "$0" "$@"; echo "exit $?" >&2; } | sed -n /Remuxing/q)",
                                       LOOPCASTER_RENDER_BIN} + args);
        else
            p.start(QStringLiteral(LOOPCASTER_RENDER_BIN), args);
        QVERIFY(p.waitForStarted());
        QByteArray seen;
        while (!readerGone && !seen.contains("Remuxing") && p.waitForReadyRead(30000))
            seen += p.readAllStandardOutput();
        if (!readerGone)
            p.terminate();
        QVERIFY(p.waitForFinished(60000));

        // Stopped mid-run: nothing half-written (not even hidden) is left and
        // the second source is not started.
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(readerGone ? err.contains("exit 130") : p.exitCode() == 130, err.constData());
        QVERIFY(err.contains("Remux cancelled"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void demoRendersPlayableMovie()
    {
        QTemporaryDir out;
        // The demo must not need a display.
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        const auto r = render({"--demo", "--out", out.path()});
        QVERIFY2(r.ok(), r.err.constData());

        const QStringList movies = QDir(out.path()).entryList({"*.mp4"}, QDir::Files);
        QCOMPARE(movies.size(), 1);
        const QString movie = out.filePath(movies.first());
        const QString tracklist = QString(movie).replace(".mp4", ".txt");
        QVERIFY(r.out.contains(movie.toUtf8()));
        QVERIFY(r.out.contains(tracklist.toUtf8()));

        const QJsonObject video = testtools::probe(movie)["streams"].toArray().at(0).toObject();
        QCOMPARE(video["width"].toInt(), 1280);
        QCOMPARE(video["height"].toInt(), 720);
        // 9 + 8.5 + 10 seconds of tones joined by two 2 s crossfades.
        QCOMPARE(testtools::readFile(tracklist),
                 QByteArray("00:00 - 01 Low Chord\n00:07 - 02 Middle Chord\n00:13 - 03 High Chord\n"));
    }

    // A playlist batch planned as job lines: each source draws its own songs,
    // the openings differ, the seed fixes the draw, and rendering one job per
    // process gives exactly the movies of one process rendering the whole plan.
    // A crossfade of 0 puts the songs back to back all the way through; the
    // loudness target and titles travel in the lines.
    void planRenderedInPiecesEqualsOneProcess()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        QVERIFY(QDir().mkpath(dir.filePath("playlist")));
        for (const QString name : {"one.wav", "two.flac", "three.mp3"})
            QVERIFY(testtools::makeTone(dir.filePath("playlist/" + name), 2, 300 + 50 * name.size(), 44100));
        QVERIFY(QFile::copy(m_clip, dir.filePath("b.mp4")));
        const QStringList planArgs {"--plan", "2", "--playlist", dir.filePath("playlist"), "--seed", "42",
                                    "--crossfade", "0", "--loudness", "-16", "--titles", "tags",
                                    "--out", out, m_clip, dir.filePath("b.mp4")};
        const auto plan = render(planArgs);
        QVERIFY2(plan.ok(), plan.err.constData());
        const QStringList lines = QString::fromUtf8(plan.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QStringList again = QString::fromUtf8(render(planArgs).out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(again.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QJsonObject a = QJsonDocument::fromJson(lines[i].toUtf8()).object();
            QJsonObject b = QJsonDocument::fromJson(again[i].toUtf8()).object();
            a.remove("output"), b.remove("output"); // names carry the planning second
            QCOMPARE(a, b);
            QCOMPARE(a["crossfade"].toDouble(), 0.0);
            QCOMPARE(a["loudness"].toDouble(), -16.0);
            QCOMPARE(a["titles"].toString(), "tags");
            QCOMPARE(a["songs"].toArray().size(), 2);
        }
        const auto opening = [](const QString& line) { return QJsonDocument::fromJson(line.toUtf8())["songs"][0]; };
        QVERIFY(opening(lines[0]) != opening(lines[1]));

        const auto contents = [](const QString& folder) { // file name -> content hash
            QMap<QString, QByteArray> out;
            for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files))
                out[info.fileName()] = QCryptographicHash::hash(testtools::readFile(info.absoluteFilePath()),
                                                                QCryptographicHash::Sha256);
            return out;
        };
        for (const QString& line : lines) {
            const auto r = render({"--job", line});
            QVERIFY2(r.ok(), r.err.constData());
        }
        const QMap<QString, QByteArray> pieces = contents(out);
        QCOMPARE(pieces.size(), 4); // two movies, two tracklists
        QString tracklist = QJsonDocument::fromJson(lines[0].toUtf8())["output"].toString().replace(".mp4", ".txt");
        QVERIFY(testtools::readFile(tracklist).split('\n').value(1).startsWith("00:02 - ")); // 2 s songs
        QVERIFY(QDir(out).removeRecursively());
        QVERIFY(testtools::writeFile(dir.filePath("jobs.jsonl"), plan.out));
        const auto whole = render({"--jobs", dir.filePath("jobs.jsonl")});
        QVERIFY2(whole.ok(), whole.err.constData());
        QCOMPARE(contents(out), pieces);
    }
};

QTEST_GUILESS_MAIN(TestRenderCli)
#include "test_render_cli.moc"
