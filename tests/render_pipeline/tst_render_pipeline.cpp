// Whole runs on media made here: the exact progress stream, the failure
// table with cancellation, skipped songs, and the finished movie as ffprobe
// and ffmpeg's decoders see it (the one place its streams, lengths, chapters,
// loudness and titles are probed); and the checks that refuse inputs before a render.

#include "TestTools.h"
#include "services/RenderPipeline.h"
#include "services/RenderPreflight.h"
#include "services/TracklistWriter.h"

#include <QtTest>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

using Updates = QList<QPair<float, QString>>;

namespace {

constexpr double kAacFrame = 1024.0 / 44100.0;

QString describe(const Updates& updates)
{
    QStringList out;
    for (const auto& [fraction, message] : updates)
        out << QString::number(fraction, 'f', 3) + ' ' + message;
    return out.join('\n');
}

struct Outcome {
    Updates updates;
    std::optional<RenderError> error;
    qint64 msAfterCancel = 0;
    lc::media::MixPlan plan;
    double mixSeconds = 0; // as the plan told it
};

// What the user reads never names a media library call.
bool namesLibraryCall(const QString& text)
{
    static const QRegularExpression call(QStringLiteral("\\b(av|avformat|avcodec|avio|swr|sws|heif)_"));
    return text.contains(call);
}

// One run on this thread; it is cancelled right after the update whose
// message starts with `cancelAt`, if any, and times how soon it returns then.
Outcome remux(const QString& source, const QStringList& songs, const QString& out, double crossfade,
              const QString& cancelAt = {}, const MixOptions& mix = {})
{
    lc::media::CancelToken cancel;
    QElapsedTimer sinceCancel;
    Outcome o;
    QList<QUrl> songURLs;
    for (const QString& song : songs)
        songURLs << QUrl::fromLocalFile(song);
    const auto planned = [&o](double seconds) { o.mixSeconds = seconds; };
    RenderPipeline run({QUrl::fromLocalFile(source), songURLs, QUrl::fromLocalFile(out), crossfade, mix, planned}, &cancel,
                 [&](float fraction, const QString& message) {
                     o.updates.append({fraction, message});
                     if (!cancelAt.isEmpty() && message.startsWith(cancelAt) && !sinceCancel.isValid()) {
                         sinceCancel.start();
                         cancel.cancel();
                     }
                 });
    const Result<void, RenderError> done = run.execute();
    if (!done)
        o.error = done.error();
    if (sinceCancel.isValid())
        o.msAfterCancel = sinceCancel.elapsed();
    o.plan = run.plan();
    return o;
}

// ffmpeg's own EBU R128 meter over [from, to) seconds of a file's audio:
// integrated loudness (LUFS) and true peak (dBTP).
QPair<double, double> meter(const QString& path, double from, double to)
{
    const auto r = testtools::run("ffmpeg", {"-hide_banner", "-nostats", "-ss", QString::number(from), "-to",
                                             QString::number(to), "-i", path, "-vn", "-af",
                                             "ebur128=peak=true:framelog=verbose", "-f", "null", "-"});
    const QString log = QString::fromUtf8(r.err);
    const auto last = [&log](const char* pattern) {
        QRegularExpressionMatch m;
        return log.lastIndexOf(QRegularExpression(QLatin1String(pattern)), -1, &m) >= 0 ? m.captured(1).toDouble()
                                                                                         : std::nan("");
    };
    return {last(R"(I:\s+(\S+) LUFS)"), last(R"(Peak:\s+(\S+) dBFS)")};
}

// A tone whose stereo sine has about `lufs` integrated loudness.
bool makeLevelledTone(const QString& path, double lufs, int frequency, double seconds)
{
    const double amplitude = std::pow(10.0, (lufs + 0.7) / 20);
    return testtools::ffmpeg({"-f", "lavfi", "-i",
                              QStringLiteral("aevalsrc=%1*sin(2*PI*%2*t):s=44100:c=stereo:d=%3")
                                  .arg(amplitude).arg(frequency).arg(seconds),
                              path});
}

} // namespace

class RenderPipelineTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_one, m_videoOnly, m_png, m_clip;
    QString media(const QString& name) const { return m_dir.filePath("media/" + name); }
    // A fresh, empty output folder per case.
    QString outputDir() const
    {
        const QString dir = m_dir.filePath(QStringLiteral("out/%1/%2").arg(QTest::currentTestFunction(),
                                                                           QTest::currentDataTag()));
        QDir().mkpath(dir);
        return dir;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath("media")));
        m_one = media("one.flac");
        m_videoOnly = media("silent.mp4");
        m_png = media("still.png");
        m_clip = media("clip.mp4");
        QVERIFY(testtools::makeTone(media("t2.wav"), 2, 440, 44100));
        QVERIFY(testtools::makeTone(media("t3.m4a"), 3, 660, 48000, {"-c:a", "aac"}));
        QVERIFY(testtools::makeTone(media("t4.mp3"), 4, 880, 44100, {"-c:a", "libmp3lame"}));
        QVERIFY(testtools::makeTone(m_one, 1, 550, 22050));
        QVERIFY(testtools::makeClip(m_videoOnly, 1, 64, 48, 10, {"-c:v", "libx264", "-pix_fmt", "yuv420p"}));
        QVERIFY(testtools::makeTone(media("audio-only.mp4"), 1, 440, 44100, {"-c:a", "aac"}));
        QVERIFY(testtools::makeImage(m_png, 320, 240));
        QVERIFY(testtools::writeFile(media("bad.png"), "this is not a picture"));
        QVERIFY(testtools::writeFile(media("empty.mp3"), ""));
        QVERIFY(testtools::writeFile(media("text.mp3"), QByteArray("not a song at all\n").repeated(100)));
        QVERIFY(testtools::writeFile(media("broken.mp4"),
                                     (QByteArray("\x00\x00\x00\x18", 4) + "ftypisom but then nothing").repeated(10)));
        // A source the loop cannot copy into an MP4.
        QVERIFY(testtools::makeClip(media("master.mov"), 0.2, 64, 48, 10, {"-c:v", "prores_ks"}));
        // A PNG header claiming 100000 x 100000.
        const QByteArray hugePng = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00802000000");
        QVERIFY(testtools::writeFile(media("huge.png"), hugePng));
        // A JPEG's frame header after 1.3 MB of XMP, a 7.1 song at -0.9 dBFS per channel, a FIFO.
        const QByteArray xmp = (QByteArray::fromHex("ffe1ffff") + QByteArray(65533, ' ')).repeated(20);
        QVERIFY(testtools::makeImage(media("xmp.jpg"), 64, 48));
        QVERIFY(testtools::writeFile(media("xmp.jpg"), testtools::readFile(media("xmp.jpg")).insert(2, xmp)));
        QVERIFY(testtools::ffmpeg({"-f", "lavfi", "-i", "aevalsrc=0.9*sin(880*t):c=7.1:d=2", media("71.flac")}));
        QVERIFY(::mkfifo(QFile::encodeName(media("fifo.mp3")).constData(), 0600) == 0);
        // Files that never deliver data: each has a writer that never writes.
        for (const char* name : {"stalled.mp3", "stalled.mp4"}) {
            QVERIFY(::mkfifo(qPrintable(media(name)), 0600) == 0);
            QVERIFY(::open(qPrintable(media(name)), O_RDWR | O_CLOEXEC) >= 0);
        }
        // B-frames, so the loop's seams have reordered timestamps.
        QVERIFY(testtools::makeClip(m_clip, 2.4, 320, 240, 25,
                                    {"-c:v", "libx264", "-bf", "2", "-g", "12", "-pix_fmt", "yuv420p"}));
    }

    void completedRun_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<double>("videoSlack"); // a clip is cut at a whole frame
        QTest::newRow("still image") << m_png << 1e-4;
        QTest::newRow("video clip") << m_clip << 1.0 / 25 + 1e-6;
    }
    void completedRun()
    {
        QFETCH(QString, source);
        QFETCH(double, videoSlack);
        const QString dir = outputDir();
        const QString out = dir + "/movie.mp4";
        const Outcome o = remux(source, {media("t2.wav"), media("t3.m4a"), media("t4.mp3")}, out, 1.0);
        QVERIFY2(!o.error, qPrintable(o.error ? o.error->errorDescription() : QString()));

        // The updates up to the export's start are checked exactly in
        // failures(); from there the Remuxing percentages rise to a fixed end.
        const qsizetype start = o.updates.indexOf({0.3f, QStringLiteral("Remuxing...")}) + 1;
        QVERIFY(start > 0);
        const Updates tail {{0.95f, "Finalizing..."}, {1.0f, "Complete!"}};
        QCOMPARE(describe(o.updates.mid(o.updates.size() - tail.size())), describe(tail));
        const Updates middle = o.updates.mid(start, o.updates.size() - start - tail.size());
        QVERIFY(middle.size() >= 20); // 7 s of audio: a report at least every point of progress
        float last = 0.3f;
        for (const auto& [fraction, message] : middle) {
            QVERIFY2(fraction >= last && fraction <= 0.95f, qPrintable(message));
            QCOMPARE(message, QStringLiteral("Remuxing... %1%").arg(int(fraction * 100)));
            last = fraction;
        }
        QVERIFY2(last > 0.9f, qPrintable(QString::number(last)));

        // The movie: video first, then the AAC mix, both as long as the plan
        // (2 + 3 + 4 - 2 x 1 s crossfades = 7 s); a third track carries the
        // chapter names.
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList {"movie.mp4"});
        const QJsonArray streams = testtools::probe(out).value("streams").toArray();
        QCOMPARE(streams.size(), 3);
        const QJsonObject v = streams.at(0).toObject();
        const QJsonObject a = streams.at(1).toObject();
        QCOMPARE(v.value("codec_name").toString(), "h264");
        QCOMPARE(a.value("codec_name").toString(), "aac");
        QCOMPARE(a.value("channels").toInt(), 2);
        QCOMPARE(a.value("sample_rate").toString(), "44100");
        const double bitRate = a.value("bit_rate").toString().toDouble();
        QVERIFY2(bitRate > 150000 && bitRate < 230000, qPrintable(QString::number(bitRate)));

        const double total = 7.0;
        const QVector<float> pcm = testtools::decodeAudio(out);
        const double audioSeconds = double(pcm.size()) / 2 / 44100;
        QVERIFY2(std::abs(audioSeconds - total) <= kAacFrame, qPrintable(QString::number(audioSeconds, 'f', 6)));
        // From its very first sample the movie plays the first song alone: a
        // sine of amplitude 1/8, upmixed to stereo at -3 dB.
        double error = 0;
        for (int n = 0; n < 2048; ++n)
            error = std::max(error, std::abs(pcm[2 * n] - 0.125 * M_SQRT1_2 * std::sin(2 * M_PI * 440 * n / 44100)));
        QVERIFY2(error < 0.01, qPrintable(QString::number(error)));
        // The track's own length (edit list) is the plan's total to the sample;
        // the decoder above still emits the last frame's padding. Lossy
        // sources may differ from their nominal length by a few samples.
        const double trackSamples = a.value("duration_ts").toVariant().toDouble();
        QVERIFY2(std::abs(trackSamples - total * 44100) <= 8, qPrintable(QString::number(trackSamples, 'f', 1)));
        const double videoSeconds = v.value("duration").toString().toDouble();
        QVERIFY2(std::abs(videoSeconds - total) <= videoSlack, qPrintable(QString::number(videoSeconds, 'f', 6)));
        QCOMPARE(testtools::decodeErrors(out), QString());

        // One chapter per song, named and timed as the plan placed it.
        const auto chapters = testtools::run("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", out});
        QStringList got;
        for (const auto& c : QJsonDocument::fromJson(chapters.out)["chapters"].toArray()) {
            const QJsonObject chapter = c.toObject();
            const double start = chapter["start_time"].toString().toDouble();
            got << chapter["tags"].toObject()["title"].toString() + '@' + QString::number(start, 'f', 2);
        }
        QCOMPARE(got, (QStringList {"t2@0.00", "t3@1.00", "t4@3.00"}));
    }

    // Positions in the mixing updates count skipped files, and the first/last
    // rules follow list positions.
    void skippedSongs_data()
    {
        QTest::addColumn<QStringList>("songs");
        QTest::addColumn<Updates>("mixing");
        QTest::addColumn<double>("total");
        const QString s = m_videoOnly;
        const QString o = m_one;
        QTest::newRow("third of five") << QStringList {o, o, s, o, o}
                                       << Updates {{0.08f, "Mixing audio 1/5..."}, {0.11f, "Mixing audio 2/5..."},
                                                   {0.17f, "Mixing audio 4/5..."}, {0.2f, "Mixing audio 5/5..."}}
                                       << 4 - 3 * 0.5;
        // Songs that cannot be opened or decoded, or are no regular local files, are passed over the same way.
        QTest::newRow("unreadable songs")
            << QStringList {o, media("gone.mp3"), media("empty.mp3"), media("text.mp3"), m_dir.filePath("media"),
                            media("fifo.mp3"), "concat:" + o + "|" + o, o}
            << Updates {{0.069f, "Mixing audio 1/8..."}, {0.2f, "Mixing audio 8/8..."}} << 2 - 0.5;
        // Downmixed to stereo, it is no louder than its channels.
        QTest::newRow("loud 7.1") << QStringList {media("71.flac")} << Updates {{0.2f, "Mixing audio 1/1..."}} << 2.0;
        // The song before a skipped last file still fades out early: the plan
        // is told where the skipped files were, not given a shortened list.
        QTest::newRow("last of three") << QStringList {o, o, s}
                                       << Updates {{0.1f, "Mixing audio 1/3..."}, {0.15f, "Mixing audio 2/3..."}}
                                       << 2 - 2 * 0.5;
    }
    void skippedSongs()
    {
        QFETCH(QStringList, songs);
        QFETCH(Updates, mixing);
        QFETCH(double, total);
        const QString out = outputDir() + "/movie.mp4";
        const Outcome o = remux(m_png, songs, out, 0.5);
        QVERIFY2(!o.error, qPrintable(o.error ? o.error->errorDescription() : QString()));
        Updates got;
        for (const auto& u : o.updates)
            if (u.second.startsWith("Mixing audio"))
                got << u;
        QCOMPARE(describe(got), describe(mixing));
        QVERIFY2(std::abs(o.mixSeconds - total) < 1e-6, qPrintable(QString::number(o.mixSeconds, 'f', 6)));
        const QVector<float> pcm = testtools::decodeAudio(out);
        const double audioSeconds = double(pcm.size()) / 2 / 44100;
        QVERIFY2(std::abs(audioSeconds - total) <= kAacFrame, qPrintable(QString::number(audioSeconds, 'f', 6)));
        const auto [low, high] = std::minmax_element(pcm.begin(), pcm.end());
        QVERIFY2(*low >= -1.0f && *high <= 1.0f, qPrintable(QString::number(*high)));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("songs");
        QTest::addColumn<QString>("output");   // the run's staging file, beside an earlier movie.mp4
        QTest::addColumn<QString>("cancelAt"); // cancel right after this update
        QTest::addColumn<Updates>("updates");
        QTest::addColumn<QString>("error");    // '*' stands for machine-dependent text
        const Updates opening {{0.0f, "Preparing..."}, {0.05f, "Building audio mix (Crossfade: 1.0s)..."}};
        const Updates oneSong = opening + Updates {{0.2f, "Mixing audio 1/1..."}};
        const Updates image = oneSong + Updates {{0.2f, "Preparing image..."}};
        const Updates loop = oneSong + Updates {{0.2f, "Preparing video loop..."}};
        const Updates ready = image + Updates {{0.3f, "Composition ready, starting export..."}};
        const QString noAudio = "Composition error: No valid audio files loaded";
        const QString movie = ".movie.mp4.x1.part";

        QTest::newRow("no songs") << m_png << QStringList {} << movie << "" << opening << noAudio;
        QTest::newRow("no song has audio") << m_png << QStringList {m_videoOnly, m_videoOnly} << movie << "" << opening
                                           << noAudio;
        QTest::newRow("undecodable image") << media("bad.png") << QStringList {m_one} << movie << "" << image
                                           << "Composition error: Failed to load image from bad.png";
        QTest::newRow("video without a video track") << media("audio-only.mp4") << QStringList {m_one} << movie << ""
                                                     << loop << "Composition error: Video file has no video track";
        QTest::newRow("damaged video") << media("broken.mp4") << QStringList {m_one} << movie << "" << loop
                                       << "Export error: broken.mp4: the file is damaged or not in a format that can be read";
        QTest::newRow("output folder gone") << m_png << QStringList {m_one} << "gone/" + movie << "" << ready
                                            << "Export error: *No such file or directory";
        QTest::newRow("cancelled before the first song") << m_png << QStringList {m_one} << movie << "Building"
                                                         << opening << "Remux cancelled";
        QTest::newRow("cancelled during the export")
            << m_png << QStringList {m_one} << movie << "Remuxing"
            << (ready + Updates {{0.3f, "Remuxing..."}}) << "Remux cancelled";
        // A FIFO may never deliver data: it is refused before it is opened.
        QTest::newRow("song that never delivers") << m_png << QStringList {media("stalled.mp3")} << movie << ""
                                                  << opening << noAudio;
        QTest::newRow("clip that never delivers")
            << media("stalled.mp4") << QStringList {m_one} << movie << "" << loop
            << "Export error: stalled.mp4: the file is damaged or not in a format that can be read";
    }
    // A run that fails or is cancelled reports why, after exactly the updates
    // that came before, and leaves the earlier movie as it was and nothing else.
    void failures()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, songs);
        QFETCH(QString, output);
        QFETCH(QString, cancelAt);
        QFETCH(Updates, updates);
        QFETCH(QString, error);
        const QString dir = outputDir();
        const QByteArray previous = "a movie from an earlier run";
        QVERIFY(testtools::writeFile(dir + "/movie.mp4", previous));

        const Outcome o = remux(source, songs, dir + '/' + output, 1.0, cancelAt);
        QCOMPARE(describe(o.updates), describe(updates));
        QVERIFY2(o.msAfterCancel < 2000, qPrintable(QString::number(o.msAfterCancel))); // not a benchmark
        QVERIFY(o.error);
        const QString text = o.error->errorDescription();
        QVERIFY2(!namesLibraryCall(text), qPrintable(text));
        const qsizetype star = error.indexOf('*');
        if (star < 0)
            QCOMPARE(text, error);
        else
            QVERIFY2(text.startsWith(error.left(star)) && text.endsWith(error.mid(star + 1)), qPrintable(text));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList {"movie.mp4"});
        QCOMPARE(testtools::readFile(dir + "/movie.mp4"), previous);
    }

    // Out of file descriptors, a song is not "unreadable": the run fails and says why.
    void songFailingForTheSystemFailsTheRun()
    {
        const QString out = outputDir() + "/movie.mp4";
        rlimit saved {};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        rlimit none {rlim_t(::dup(STDERR_FILENO)), saved.rlim_max}; // from the lowest free descriptor up
        ::close(int(none.rlim_cur));
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &none) == 0);
        const Outcome o = remux(m_png, {m_one, m_one}, out, 1.0);
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY(o.error);
        QCOMPARE(o.error->errorDescription(), "Export error: one.flac: Too many open files");
    }

    // Every song at the target, each with its own constant gain, measured by
    // ffmpeg's meter away from the crossfades; the ceiling lowers the gain
    // where the peaks would pass it. Off, every song keeps its level and no
    // gain is applied at all.
    void loudnessMatching_data()
    {
        QTest::addColumn<double>("target");  // NaN: matching off
        QTest::addColumn<double>("ceiling");
        QTest::addColumn<double>("expected"); // LUFS of every song in the movie; NaN: the song's own
        const double off = std::nan("");
        QTest::newRow("to -14 LUFS") << -14.0 << -1.0 << -14.0;
        // A sine's true peak is 0.7 dB above its loudness.
        QTest::newRow("ceiling below the target") << -5.0 << -6.0 << -6.7;
        QTest::newRow("off") << off << -1.0 << off;
    }
    void loudnessMatching()
    {
        QFETCH(double, target);
        QFETCH(double, ceiling);
        QFETCH(double, expected);
        const QList<double> levels {-30, -20, -9};
        QStringList songs;
        for (int i = 0; i < levels.size(); ++i) {
            songs << media(QStringLiteral("level%1.%2").arg(levels[i]).arg(i == 1 ? "flac" : "mp3"));
            if (!QFileInfo::exists(songs.last()))
                QVERIFY(makeLevelledTone(songs.last(), levels[i], 440 + 220 * i, 20));
        }
        MixOptions mix;
        if (!std::isnan(target))
            mix.loudnessTarget = target;
        mix.truePeakCeiling = ceiling;
        const QString out = outputDir() + "/movie.mp4";
        const Outcome o = remux(m_png, songs, out, 3.0, {}, mix);
        QVERIFY2(!o.error, qPrintable(o.error ? o.error->errorDescription() : QString()));
        QCOMPARE(o.plan.entries.size(), levels.size());
        for (int i = 0; i < levels.size(); ++i) {
            const lc::media::MixEntry& e = o.plan.entries[i];
            const double start = e.start.seconds() + 3.5, end = e.end().seconds() - 3.5;
            const auto [lufs, peak] = meter(out, start, end);
            const double want = std::isnan(expected) ? meter(songs[i], 3.5, 16.5).first : expected;
            const QString seen = QStringLiteral("song %1: %2 LUFS, %3 dBTP").arg(i).arg(lufs).arg(peak);
            qInfo().noquote() << seen;
            QVERIFY2(std::abs(lufs - want) <= 0.5, qPrintable(seen));
            QVERIFY2(peak <= ceiling, qPrintable(seen));
            QCOMPARE(e.loudness.has_value(), !std::isnan(target));
            if (std::isnan(target))
                QCOMPARE(e.gainDb, 0.0);
        }
    }

    // "Artist – Title" from each format's own tags, "Title" alone, the file
    // name without a title; in the tracklist and the chapters alike.
    void titlesFromTags_data()
    {
        QTest::addColumn<bool>("fromTags");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("tags") << true
                              << QStringList {"Ana \u2013 Mp3 Song", "Bo \u2013 Flac Song", "M4a Song",
                                              "Cy \u2013 Ogg Song", "plain", "only-artist"};
        QTest::newRow("files") << false
                               << QStringList {"id3", "vorbis", "atoms", "comments", "plain", "only-artist"};
    }
    void titlesFromTags()
    {
        QFETCH(bool, fromTags);
        QFETCH(QStringList, titles);
        const QList<QStringList> tagged {
            {"id3.mp3", "Ana", "Mp3 Song"}, {"vorbis.flac", " Bo\n", "Flac Song\t"}, {"atoms.m4a", "", "M4a Song"},
            {"comments.ogg", "Cy", "Ogg Song"}, {"plain.wav", "", ""}, {"only-artist.mp3", "Di", ""}};
        QStringList songs;
        for (const QStringList& t : tagged) {
            songs << media(t[0]);
            QStringList args {"-f", "lavfi", "-i", "sine=d=1.1:sample_rate=44100"}; // starts clear of whole seconds
            if (!t[1].isEmpty())
                args << "-metadata" << "artist=" + t[1];
            if (!t[2].isEmpty())
                args << "-metadata" << "title=" + t[2];
            if (!QFileInfo::exists(songs.last()))
                QVERIFY(testtools::ffmpeg(args << songs.last()));
        }
        MixOptions mix;
        mix.titlesFromTags = fromTags;
        const QString out = outputDir() + "/movie.mp4";
        const Outcome o = remux(m_png, songs, out, 0.0, {}, mix);
        QVERIFY2(!o.error, qPrintable(o.error ? o.error->errorDescription() : QString()));
        QStringList lines;
        for (qsizetype i = 0; i < titles.size(); ++i)
            lines << QStringLiteral("00:%1 - %2").arg(i, 2, 10, QLatin1Char('0')).arg(titles[i]);
        QCOMPARE(TracklistWriter::tracklistText(o.plan, fromTags), lines.join('\n') + '\n');
        const auto probed = testtools::run("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", out});
        QStringList chapters;
        for (const auto& c : QJsonDocument::fromJson(probed.out)["chapters"].toArray())
            chapters << c.toObject()["tags"].toObject()["title"].toString();
        QCOMPARE(chapters, titles);
    }

    void crossfadeText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("large whole") << 100000.0 << "100000.0";
        QTest::newRow("not a short decimal") << (0.1 + 0.2) << "0.30000000000000004";
    }
    void crossfadeText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(RenderPipeline::formatSeconds(seconds), text);
    }

    void preflight_data()
    {
        QTest::addColumn<QString>("source"); // in the media folder
        QTest::addColumn<QString>("output"); // relative to the case's folder; "!" prefix: taken literally
        QTest::addColumn<QString>("refusal"); // start of the message; empty: accepted
        const QString image = "Composition error: Failed to load image from ", clip = "clip.mp4", movie = "out/m.mp4";
        const QString badOutput = "Invalid output path: ";
        QTest::newRow("h264 clip, folder exists") << clip << movie << "";
        QTest::newRow("png image") << "still.png" << movie << "";
        QTest::newRow("jpeg header behind 1.3 MB of metadata") << "xmp.jpg" << movie << "";
        QTest::newRow("prores") << "master.mov" << movie
                                << "Export error: prores video in master.mov cannot be copied into an MP4 movie";
        QTest::newRow("audio only") << "audio-only.mp4" << movie << "Composition error: Video file has no video track";
        QTest::newRow("zero bytes") << "empty.mp3" << movie
                                    << "Export error: empty.mp3: the file is damaged or not in a format that can be read";
        QTest::newRow("text named png") << "bad.png" << movie << image + "bad.png: not a JPEG or PNG image";
        QTest::newRow("huge image") << "huge.png" << movie << image + "huge.png: the image is too large";
        QTest::newRow("missing") << "gone.mov" << movie << "Cannot access video file";
        QTest::newRow("folder missing: created") << clip << "new/deeper/m.mp4" << "";
        QTest::newRow("empty path") << clip << "!" << "Invalid output path";
        QTest::newRow("relative path") << clip << "!out/m.mp4" << badOutput + "out/m.mp4 is not an absolute path";
        QTest::newRow("folder is a file") << clip << "file/m.mp4" << badOutput;
        QTest::newRow("folder under a file") << clip << "file/sub/m.mp4" << badOutput + "cannot create the folder";
        QTest::newRow("read-only folder") << clip << "locked/m.mp4" << badOutput + "cannot write to the folder";
    }

    // Sources the loop cannot copy into an MP4 and outputs that cannot be
    // written are refused at once, in words, before any song is mixed; a
    // missing output folder is created.
    void preflight()
    {
        QFETCH(QString, source);
        QFETCH(QString, output);
        QFETCH(QString, refusal);
        if (output.startsWith("locked") && ::geteuid() == 0)
            QSKIP("root writes to read-only folders");
        const QDir dir(outputDir());
        QVERIFY(dir.mkpath("out") && dir.mkpath("locked"));
        QVERIFY(QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(testtools::writeFile(dir.filePath("file"), {}));
        const QString path = output.startsWith('!') ? output.mid(1) : dir.filePath(output);

        const Result<void> accepted = RenderPreflight::check(media(source), path);
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (refusal.isEmpty()) {
            QVERIFY2(accepted, qPrintable(accepted.error()));
            QVERIFY(QFileInfo(QFileInfo(path).absolutePath()).isDir());
        } else {
            QVERIFY(!accepted);
            QVERIFY2(accepted.error().startsWith(refusal) && !namesLibraryCall(accepted.error()),
                     qPrintable(accepted.error()));
        }
    }
};

QTEST_GUILESS_MAIN(RenderPipelineTest)
#include "tst_render_pipeline.moc"
