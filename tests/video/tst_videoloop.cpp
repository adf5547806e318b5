// Looping a clip by packet copy: seams, trimming, stream properties and
// rotation, a clip without frames. (Cancelling is the run's: it checks the
// flag before every packet it writes.)

#include "SoloMux.h"
#include "TestTools.h"

#include "media/common/MediaError.h"
#include "media/video/PrefixCutFinder.h"
#include "media/video/StillImageSource.h"
#include "media/video/VideoLoopSource.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace lc::media;

class TestVideoLoop : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void cutFinder_data()
    {
        QTest::addColumn<QList<qint64>>("pts");  // decode order
        QTest::addColumn<QList<qint64>>("dts");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<qint64>("keep");
        const QList<qint64> linear {0, 1, 2, 3, 4};
        QTest::newRow("in order, beyond the end") << linear << linear << qint64(99) << qint64(5);

        // I0 P3 B1 B2 P6 B4 B5: cuts are only valid after I0, after B2 and at the end.
        const QList<qint64> bPts {0, 3, 1, 2, 6, 4, 5};
        const QList<qint64> bDts {-2, -1, 0, 1, 2, 3, 4};
        QTest::newRow("B-frames, limit inside a mini-GOP") << bPts << bDts << qint64(3) << qint64(1);
        QTest::newRow("B-frames, limit before the last B") << bPts << bDts << qint64(6) << qint64(4);
        // Pyramid: I0 P4 B2 b1 b3 — the reference B shows after the first b.
        QTest::newRow("B pyramid") << QList<qint64> {0, 4, 2, 1, 3, 8} << QList<qint64> {-2, -1, 0, 1, 2, 3}
                                   << qint64(5) << qint64(5);
    }
    void cutFinder()
    {
        QFETCH(QList<qint64>, pts);
        QFETCH(QList<qint64>, dts);
        QFETCH(qint64, limit);
        QFETCH(qint64, keep);
        PrefixCutFinder finder(limit);
        for (int i = 0; i < pts.size(); ++i) {
            if (!finder.add(pts[i], dts[i]))
                break;
        }
        QCOMPARE(finder.keepCount(), keep);
    }
    void loops_data()
    {
        QTest::addColumn<QStringList>("encodeArgs");
        QTest::addColumn<QString>("container");
        QTest::addColumn<double>("clipSeconds");
        QTest::addColumn<QStringList>("copyArgs"); // non-empty: copied again ("IN" is the clip)
        QTest::addColumn<int>("fps");
        QTest::addColumn<double>("totalSeconds");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("frameSlack");      // frames a B-frame cut may drop at the end
        QTest::addColumn<int>("rotation");
        const QStringList noB {"-c:v", "libx264", "-bf", "0", "-g", "15", "-pix_fmt", "yuv420p"};
        const QStringList withB {"-c:v", "libx264", "-bf", "3", "-g", "24", "-pix_fmt", "yuv420p"};
        const QStringList hevc {"-c:v", "libx265", "-x265-params", "log-level=error:bframes=3", "-tag:v", "hev1",
                                "-pix_fmt", "yuv420p"};
        // A stream copy from a later start leaves an edit list.
        const auto cutAt = [](const char* seconds) { return QStringList {"-ss", seconds, "-i", "IN", "-c", "copy"}; };
        // A phone clip: audio and a timecode track beside the video, which
        // must not reach the movie. ffmpeg 5.1 keeps the rotate tag only on a
        // stream copy.
        const QStringList phone {"-f", "lavfi", "-i", "sine=duration=1", "-c:v", "libx264", "-c:a", "aac",
                                 "-timecode", "01:00:00:00"};
        const QStringList rotate {"-i", "IN", "-map", "0", "-c", "copy", "-metadata:s:v:0", "rotate=90"};
        QTest::newRow("h264, 25 fps, total off the frame grid")
            << withB << "mov" << 1.2 << QStringList {} << 25 << 4.33 << "avc1" << 3 << 0;
        QTest::newRow("hevc as hev1 comes out hvc1") << hevc << "mp4" << 1.0 << QStringList {} << 30 << 2.5 << "hvc1" << 3 << 0;
        QTest::newRow("mov with an edit list") << noB << "mov" << 2.0 << cutAt("0.5") << 30 << 4.0 << "avc1" << 0 << 0;
        QTest::newRow("edit list over B-frames") << withB << "mov" << 2.0 << cutAt("0.4") << 30 << 4.5 << "avc1" << 3 << 0;
        QTest::newRow("clip longer than the total") << withB << "mp4" << 2.0 << QStringList {} << 30 << 1.7 << "avc1" << 3 << 0;
        QTest::newRow("rotated phone clip") << phone << "mov" << 1.0 << rotate << 30 << 2.5 << "avc1" << 3 << 90;
    }
    void loops()
    {
        QFETCH(QStringList, encodeArgs);
        QFETCH(QString, container);
        QFETCH(double, clipSeconds);
        QFETCH(QStringList, copyArgs);
        QFETCH(int, fps);
        QFETCH(double, totalSeconds);
        QFETCH(QString, tag);
        QFETCH(int, frameSlack);
        QFETCH(int, rotation);
        const QString tagName = QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W+"), "_");
        // A folder named like a photo does not make its clips photos.
        QString clip = m_dir.filePath("in.jpg/" + tagName + "." + container);
        QVERIFY(QDir(m_dir.path()).mkpath("in.jpg") && !isStillImagePath(clip));
        QVERIFY(testtools::makeClip(clip, clipSeconds, 320, 240, fps, encodeArgs));
        if (!copyArgs.isEmpty()) {
            const QString copy = m_dir.filePath(tagName + "_copy." + container);
            copyArgs.replace(copyArgs.indexOf("IN"), clip);
            QVERIFY(testtools::ffmpeg(copyArgs << copy));
            clip = copy;
        }

        const QString out = m_dir.filePath(tagName + "_loop.mp4");
        auto source = openVideoLoop(clip, MediaTime::fromSeconds(totalSeconds), nullptr);
        videotest::muxAlone(*source, out);

        // No pts repeats (the muxer itself refuses dts that do not rise).
        const QJsonArray packets = testtools::probePackets(out, "v:0").value("packets").toArray();
        QSet<qint64> pts;
        for (const QJsonValue& p : packets)
            pts.insert(p["pts"].toInteger());
        QCOMPARE(pts.size(), packets.size());
        QCOMPARE(testtools::decodeErrors(out), QString());
        const QJsonArray streams = testtools::probe(out).value("streams").toArray();
        QCOMPARE(streams.size(), 1);
        const QJsonObject stream = streams.first().toObject();
        QCOMPARE(stream.value("codec_tag_string").toString(), tag);
        QCOMPARE(std::abs(stream.value("side_data_list").toArray().first().toObject().value("rotation").toInt()), rotation);
        const double duration = stream.value("duration").toString().toDouble();
        QVERIFY2(std::abs(duration - totalSeconds) <= 1.0 / fps + 1e-6,
                 qPrintable(QStringLiteral("duration %1, want %2").arg(duration).arg(totalSeconds)));

        // Every copy shows all its frames; only the last copy is cut.
        const int expected = int(std::ceil(totalSeconds * fps - 1e-9));
        const auto counted = testtools::run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                                                        "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", out});
        const int frames = QString::fromUtf8(counted.out).section(',', 0, 0).trimmed().toInt(); // "30," with side data
        QVERIFY2(frames <= expected && frames >= expected - frameSlack - 1,
                 qPrintable(QStringLiteral("%1 frames, want %2").arg(frames).arg(expected)));
    }
    // MP4 writers drop a track without samples; AVI keeps its header. (A
    // file without a video track and an unreadable one are refused in the
    // run's failure table.)
    void trackWithoutFramesFails()
    {
        const QString path = m_dir.filePath("empty.avi");
        QVERIFY(testtools::ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=64x64:rate=30", "-frames:v", "0", "-c:v", "mpeg4", path}));
        try {
            auto source = openVideoLoop(path, MediaTime::fromSeconds(3), nullptr);
            PacketPtr pkt = makePacket();
            while (source->nextPacket(pkt.get())) {}
            QFAIL("no error");
        } catch (const CompositionError& e) {
            QCOMPARE(e.message(), QStringLiteral("Video file has no video frames"));
        }
    }
};

QTEST_GUILESS_MAIN(TestVideoLoop)
#include "tst_videoloop.moc"
