// Whole runs on media made here: the exact progress stream, the failure
// table, cancellation and a destroyed worker, and the finished movie as
// ffprobe and ffmpeg's decoders see it.

#include "ProgressRecorder.h"

#include "TestTools.h"
#include "services/FileService.h"
#include "services/RemuxWorker.h"

#include <QtTest>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <cmath>

using Updates = QList<QPair<float, QString>>;

namespace {

constexpr double kAacFrame = 1024.0 / 44100.0;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QJsonObject streamOf(const QJsonObject& probe, int index)
{
    return probe.value("streams").toArray().at(index).toObject();
}

// Nice value of every thread of this process, from /proc.
QList<int> threadNiceValues()
{
    QList<int> out;
    const QDir tasks("/proc/self/task");
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray stat = readAll(tasks.filePath(tid + "/stat"));
        // Fields after the parenthesised command name; nice is field 19.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 16)
            out << fields.at(16).toInt();
    }
    return out;
}

} // namespace

class RemuxRunTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_t2, m_t3, m_t4, m_one, m_long, m_videoOnly, m_audioOnly, m_png, m_bad, m_clip, m_brokenClip;

    QString media(const QString& name) const { return m_dir.filePath("media/" + name); }
    QUrl url(const QString& path) const { return QUrl::fromLocalFile(path); }
    QList<QUrl> urls(const QStringList& paths) const
    {
        QList<QUrl> out;
        for (const QString& p : paths)
            out << url(p);
        return out;
    }
    // A fresh, empty output folder per case.
    QString outputDir(const QString& name) const
    {
        const QString dir = m_dir.filePath("out/" + name);
        QDir().mkpath(dir);
        return dir;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath("media")));
        QString err;
        m_t2 = media("t2.wav");
        m_t3 = media("t3.m4a");
        m_t4 = media("t4.mp3");
        m_one = media("one.flac");
        m_long = media("long.wav");
        m_videoOnly = media("silent.mp4");
        m_audioOnly = media("audio-only.mp4");
        m_png = media("still.png");
        m_bad = media("bad.png");
        m_clip = media("clip.mp4");
        m_brokenClip = media("broken.mp4");
        QVERIFY2(testtools::makeTone(m_t2, 2, 440, 44100, {}, &err), qPrintable(err));
        QVERIFY2(testtools::makeTone(m_t3, 3, 660, 48000, {"-c:a", "aac"}, &err), qPrintable(err));
        QVERIFY2(testtools::makeTone(m_t4, 4, 880, 44100, {"-c:a", "libmp3lame"}, &err), qPrintable(err));
        QVERIFY2(testtools::makeTone(m_one, 1, 550, 22050, {}, &err), qPrintable(err));
        QVERIFY2(testtools::makeTone(m_long, 60, 330, 44100, {}, &err), qPrintable(err));
        QVERIFY2(testtools::makeClip(m_videoOnly, 1, 64, 48, 10, {"-c:v", "libx264", "-pix_fmt", "yuv420p"}, &err),
                 qPrintable(err));
        QVERIFY2(testtools::makeTone(m_audioOnly, 1, 440, 44100, {"-c:a", "aac"}, &err), qPrintable(err));
        QVERIFY2(testtools::makeImage(m_png, 320, 240, &err), qPrintable(err));
        QVERIFY(writeFile(m_bad, "this is not a picture"));
        QVERIFY(writeFile(media("empty.mp3"), ""));
        QVERIFY(writeFile(media("text.mp3"), QByteArray("not a song at all\n").repeated(100)));
        QVERIFY(writeFile(m_brokenClip, (QByteArray("\x00\x00\x00\x18", 4) + "ftypisom but then nothing").repeated(10)));
        // B-frames, so the loop's seams have reordered timestamps.
        QVERIFY2(testtools::makeClip(m_clip, 2.4, 320, 240, 25,
                                     {"-c:v", "libx264", "-bf", "2", "-g", "12", "-pix_fmt", "yuv420p"}, &err),
                 qPrintable(err));
    }

    void completedRun_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("prepareMessage");
        QTest::addColumn<double>("frameSeconds");
        QTest::addColumn<bool>("replacesExisting");
        QTest::newRow("still image") << m_png << "Preparing image..." << 1.0 / 30 << false;
        QTest::newRow("video clip over an existing movie") << m_clip << "Preparing video loop..." << 1.0 / 25 << true;
    }
    void completedRun()
    {
        QFETCH(QString, source);
        QFETCH(QString, prepareMessage);
        QFETCH(double, frameSeconds);
        QFETCH(bool, replacesExisting);
        const QString dir = outputDir(QTest::currentDataTag());
        const QString out = dir + "/movie.mp4";
        if (replacesExisting)
            QVERIFY(writeFile(out, "an older movie"));

        RemuxWorker worker;
        ProgressRecorder rec(worker.remux(url(source), urls({m_t2, m_t3, m_t4}), url(out), 1.0));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 60000);
        QTest::qWait(50);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errorText()));
        QCOMPARE(rec.finishedCount, 1);
        QCOMPARE(rec.eventsAfterEnd, 0);
        QCOMPARE(FileService::shared().openAccessCount(), 0);

        // Fixed updates exactly; the Remuxing percentages in between checked
        // for shape.
        const Updates head {
            {0.0f, "Preparing..."},
            {0.05f, "Building audio mix (Crossfade: 1.0s)..."},
            {0.1f, "Mixing audio 1/3..."},
            {0.15f, "Mixing audio 2/3..."},
            {0.2f, "Mixing audio 3/3..."},
            {0.2f, prepareMessage},
            {0.3f, "Composition ready, starting export..."},
            {0.3f, "Remuxing..."},
        };
        const Updates tail {{0.95f, "Finalizing..."}, {1.0f, "Complete!"}};
        QVERIFY(rec.updates.size() > head.size() + tail.size());
        QCOMPARE(ProgressRecorder::describe(rec.updates.mid(0, head.size())), ProgressRecorder::describe(head));
        QCOMPARE(ProgressRecorder::describe(rec.updates.mid(rec.updates.size() - tail.size())),
                 ProgressRecorder::describe(tail));
        const Updates middle = rec.updates.mid(head.size(), rec.updates.size() - head.size() - tail.size());
        QVERIFY(middle.size() >= 20); // 7 s of audio: a report at least every point of progress
        float last = 0.3f;
        for (const auto& [fraction, message] : middle) {
            QVERIFY2(fraction >= last, qPrintable(ProgressRecorder::describe(fraction, message)));
            QVERIFY(fraction <= 0.95f);
            QCOMPARE(message, QStringLiteral("Remuxing... %1%").arg(int(fraction * 100)));
            last = fraction;
        }
        QVERIFY2(last > 0.9f, qPrintable(QString::number(last)));

        // The movie: video first, then the AAC mix, both as long as the plan
        // (2 + 3 + 4 - 2 x 1 s crossfades = 7 s).
        QCOMPARE(entriesOf(dir), QStringList {"movie.mp4"});
        const QJsonObject probe = testtools::probe(out);
        // (The third track only carries the chapter names.)
        QCOMPARE(probe.value("streams").toArray().size(), 3);
        const QJsonObject v = streamOf(probe, 0);
        const QJsonObject a = streamOf(probe, 1);
        QCOMPARE(v.value("codec_type").toString(), "video");
        QCOMPARE(v.value("codec_name").toString(), "h264");
        QCOMPARE(a.value("codec_type").toString(), "audio");
        QCOMPARE(a.value("codec_name").toString(), "aac");
        QCOMPARE(a.value("channels").toInt(), 2);
        QCOMPARE(a.value("sample_rate").toString(), "44100");
        const double bitRate = a.value("bit_rate").toString().toDouble();
        QVERIFY2(bitRate > 150000 && bitRate < 230000, qPrintable(QString::number(bitRate)));

        const double total = 7.0;
        const double audioSeconds = double(testtools::decodeAudio(out).size()) / 2 / 44100;
        QVERIFY2(std::abs(audioSeconds - total) <= kAacFrame, qPrintable(QString::number(audioSeconds, 'f', 6)));
        // The track's own length (edit list) is the plan's total to the sample;
        // the decoder above still emits the last frame's padding. Lossy
        // sources may differ from their nominal length by a few samples.
        const double trackSamples = a.value("duration_ts").toVariant().toDouble();
        QVERIFY2(std::abs(trackSamples - total * 44100) <= 8, qPrintable(QString::number(trackSamples, 'f', 1)));
        const double videoSeconds = v.value("duration").toString().toDouble();
        QVERIFY2(std::abs(videoSeconds - total) <= frameSeconds + 1e-6, qPrintable(QString::number(videoSeconds, 'f', 6)));
        QCOMPARE(testtools::decodeErrors(out), QString());
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
        QTest::newRow("first of three") << QStringList {s, o, o}
                                        << Updates {{0.15f, "Mixing audio 2/3..."}, {0.2f, "Mixing audio 3/3..."}}
                                        << 2 - 0.5;
        // Songs that cannot be opened or decoded are passed over the same way.
        QTest::newRow("unreadable songs")
            << QStringList {o, media("gone.mp3"), media("empty.mp3"), media("text.mp3"), m_dir.filePath("media"), o}
            << Updates {{0.075f, "Mixing audio 1/6..."}, {0.2f, "Mixing audio 6/6..."}} << 2 - 0.5;
        // The song before a skipped last file still fades out early.
        QTest::newRow("last of three") << QStringList {o, o, s}
                                       << Updates {{0.1f, "Mixing audio 1/3..."}, {0.15f, "Mixing audio 2/3..."}}
                                       << 2 - 2 * 0.5;
    }
    void skippedSongs()
    {
        QFETCH(QStringList, songs);
        QFETCH(Updates, mixing);
        QFETCH(double, total);
        const QString out = outputDir(QTest::currentDataTag()) + "/movie.mp4";
        RemuxWorker worker;
        ProgressRecorder rec(worker.remux(url(m_png), urls(songs), url(out), 0.5));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 60000);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errorText()));

        Updates got;
        for (const auto& u : rec.updates)
            if (u.second.startsWith("Mixing audio"))
                got << u;
        QCOMPARE(ProgressRecorder::describe(got), ProgressRecorder::describe(mixing));
        const double audioSeconds = double(testtools::decodeAudio(out).size()) / 2 / 44100;
        QVERIFY2(std::abs(audioSeconds - total) <= kAacFrame, qPrintable(QString::number(audioSeconds, 'f', 6)));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("songs");
        QTest::addColumn<Updates>("updates");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("cancelFirst");
        const Updates opening {{0.0f, "Preparing..."}, {0.05f, "Building audio mix (Crossfade: 1.0s)..."}};
        const Updates oneSong = opening + Updates {{0.2f, "Mixing audio 1/1..."}};

        QTest::newRow("no songs") << m_png << QStringList {} << opening
                                  << "Composition error: No valid audio files loaded" << false;
        QTest::newRow("no song has audio") << m_png << QStringList {m_videoOnly, m_videoOnly} << opening
                                           << "Composition error: No valid audio files loaded" << false;
        QTest::newRow("undecodable image") << m_bad << QStringList {m_one}
                                           << (oneSong + Updates {{0.2f, "Preparing image..."}})
                                           << "Composition error: Failed to load image from bad.png" << false;
        QTest::newRow("video without a video track")
            << m_audioOnly << QStringList {m_one} << (oneSong + Updates {{0.2f, "Preparing video loop..."}})
            << "Composition error: Video file has no video track" << false;
        QTest::newRow("damaged video")
            << m_brokenClip << QStringList {m_one} << (oneSong + Updates {{0.2f, "Preparing video loop..."}})
            << "Export error: avformat_*" << false;
        // A cancel that comes before the run thread starts is not lost.
        QTest::newRow("cancelled before the first song") << m_png << QStringList {m_one} << opening
                                                         << "Remux cancelled" << true;
    }
    void failures()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, songs);
        QFETCH(Updates, updates);
        QFETCH(QString, error);
        QFETCH(bool, cancelFirst);
        const QString dir = outputDir(QTest::currentDataTag());
        const QString out = dir + "/movie.mp4";
        const QByteArray previous = "a movie from an earlier run";
        QVERIFY(writeFile(out, previous));

        RemuxWorker worker;
        if (cancelFirst)
            worker.cancel();
        ProgressRecorder rec(worker.remux(url(source), urls(songs), url(out), 1.0));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 30000);
        QTest::qWait(50);

        QCOMPARE(rec.described(), ProgressRecorder::describe(updates));
        QCOMPARE(rec.finishedCount, 0);
        QCOMPARE(rec.errors.size(), 1);
        // '*' stands for text that depends on the machine (a full path).
        const QString text = rec.errorText();
        const qsizetype star = error.indexOf('*');
        if (star < 0)
            QCOMPARE(text, error);
        else
            QVERIFY2(text.startsWith(error.left(star)) && text.endsWith(error.mid(star + 1)), qPrintable(text));
        QCOMPARE(rec.eventsAfterEnd, 0);
        QCOMPARE(FileService::shared().openAccessCount(), 0);
        QCOMPARE(entriesOf(dir), QStringList {"movie.mp4"});
        QCOMPARE(readAll(out), previous);
    }

    // A movie that cannot be written (its folder is gone) fails the run with
    // the writer's own error and leaves nothing behind.
    void unwritableOutput()
    {
        const QString dir = outputDir(QTest::currentTestFunction());
        const QString out = dir + "/no such folder/movie.mp4";
        RemuxWorker worker;
        ProgressRecorder rec(worker.remux(url(m_png), urls({m_one}), url(out), 1.0));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 30000);
        QCOMPARE(rec.errors.size(), 1);
        const QString text = rec.errorText();
        QVERIFY2(text.startsWith("Export error: ") && text.endsWith("No such file or directory"), qPrintable(text));
        QCOMPARE(rec.updates.last().second, QStringLiteral("Composition ready, starting export..."));
        QCOMPARE(entriesOf(dir), QStringList {});
        QCOMPARE(FileService::shared().openAccessCount(), 0);
    }

    // Cancelling mid-export, or dropping the worker, stops the run promptly
    // and leaves the previous movie as it was.
    void stoppedDuringExport_data()
    {
        QTest::addColumn<bool>("destroyWorker");
        QTest::newRow("cancel") << false;
        QTest::newRow("worker destroyed") << true;
    }
    void stoppedDuringExport()
    {
        QFETCH(bool, destroyWorker);
        const QString dir = outputDir(QTest::currentDataTag());
        const QString out = dir + "/movie.mp4";
        const QByteArray previous = "a movie from an earlier run";
        QVERIFY(writeFile(out, previous));

        auto* worker = new RemuxWorker;
        worker->setPriority(TaskPriority::utility);
        QPointer<RemuxProgress> progress = worker->remux(url(m_png), urls({m_long, m_long}), url(out), 2.0);
        ProgressRecorder rec(progress);
        QElapsedTimer sinceStop;
        QList<int> niceDuringExport;
        connect(progress, &RemuxProgress::update, this, [&](float, const QString& message) {
            if (sinceStop.isValid() || !message.startsWith("Remuxing... "))
                return;
            niceDuringExport = threadNiceValues();
            sinceStop.start();
            if (destroyWorker)
                worker->deleteLater();
            else
                worker->cancel();
        });

        if (destroyWorker) {
            QTRY_VERIFY_WITH_TIMEOUT(sinceStop.isValid(), 60000);
            QTRY_VERIFY(progress.isNull());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(rec.ended(), 60000);
            QVERIFY(sinceStop.isValid());
            QVERIFY2(sinceStop.elapsed() < 1000, qPrintable(QString::number(sinceStop.elapsed())));
            QCOMPARE(rec.finishedCount, 0);
            QCOMPARE(rec.errorText(), "Remux cancelled");
            QCOMPARE(rec.eventsAfterEnd, 0);
            delete worker;
        }
        QVERIFY2(sinceStop.elapsed() < 2000, qPrintable(QString::number(sinceStop.elapsed())));
        QVERIFY2(niceDuringExport.contains(10), "no thread ran at the utility nice value");
        QCOMPARE(FileService::shared().openAccessCount(), 0);
        QCOMPARE(entriesOf(dir), QStringList {"movie.mp4"});
        QCOMPARE(readAll(out), previous);
    }
};

QTEST_GUILESS_MAIN(RemuxRunTest)
#include "tst_remux_run.moc"
