// A still image held as H.264 at 30 fps: decoding, EXIF orientation, sizing,
// colour tags, exact frame count and length, refusal of bad images.

#include "SoloMux.h"
#include "TestTools.h"

#include "media/common/MediaError.h"
#include "media/video/FrameSize.h"
#include "media/video/StillImageSource.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

using namespace lc::media;

namespace {

// An APP1 segment holding a big-endian EXIF block with one tag: Orientation.
QByteArray exifOrientationSegment(quint16 orientation)
{
    QByteArray tiff("MM\x00\x2a\x00\x00\x00\x08\x00\x01", 10);       // header, one entry
    tiff += QByteArray("\x01\x12\x00\x03\x00\x00\x00\x01", 8);       // Orientation, SHORT, 1
    tiff += char(orientation >> 8);
    tiff += char(orientation & 0xff);
    tiff += QByteArray(6, '\0');                                      // padding, no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    return QByteArray("\xff\xe1", 2) + char(length >> 8) + char(length & 0xff) + payload;
}

} // namespace

class TestStillImage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void frameSize_data()
    {
        QTest::addColumn<QSize>("input");
        QTest::addColumn<bool>("keepsSize"); // apart from the odd pixel
        QTest::newRow("one pixel") << QSize(1, 1) << false;
        QTest::newRow("portrait 4K, exactly the limit") << QSize(2304, 4096) << true;
        QTest::newRow("12 MP photo") << QSize(4032, 3024) << false;
        QTest::newRow("panorama") << QSize(12000, 1500) << false;
        QTest::newRow("tall strip") << QSize(300, 9001) << false;
    }
    // Within H.264 level 5.1 (4096 per side, 36864 macroblocks), even, and
    // scaled no further than needed with the aspect kept.
    void frameSize()
    {
        QFETCH(QSize, input);
        QFETCH(bool, keepsSize);
        const QSize out = h264FrameSize(input.width(), input.height());
        const long mbs = long((out.width() + 15) / 16) * ((out.height() + 15) / 16);
        QVERIFY(out.width() % 2 == 0 && out.height() % 2 == 0);
        QVERIFY(out.width() >= 2 && out.height() >= 2);
        QVERIFY(out.width() <= 4096 && out.height() <= 4096 && mbs <= 36864);
        if (keepsSize) {
            QVERIFY(input.width() - out.width() <= 1 && input.height() - out.height() <= 1);
        } else if (input.width() > 2) {
            const double aspectChange = double(out.width()) / out.height() * input.height() / input.width();
            QVERIFY2(std::abs(aspectChange - 1) < 0.02, qPrintable(QStringLiteral("%1x%2").arg(out.width()).arg(out.height())));
            QVERIFY(out.width() >= 3900 || out.height() >= 3900 || mbs >= 35000);
        }
    }

    void heldImages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<qint64>("totalValue");
        QTest::addColumn<int>("totalScale");
        QTest::newRow("odd-sized png") << "odd.png" << QSize(641, 359) << qint64(1500) << 600;
        QTest::newRow("jpeg into a second GOP, total off the frame grid")
            << "long.JPEG" << QSize(96, 64) << qint64(44100 * 10 + 17) << 44100;
        QTest::newRow("heic") << "phone.heic" << QSize(400, 300) << qint64(1200) << 600;
    }
    void heldImages()
    {
        QFETCH(QString, file);
        QFETCH(QSize, imageSize);
        QFETCH(qint64, totalValue);
        QFETCH(int, totalScale);
        const QString image = m_dir.filePath(file);
        const bool heic = file.endsWith(".heic");
        const QString made = heic ? m_dir.filePath("heic_source.png") : image;
        QVERIFY(testtools::makeImage(made, imageSize.width(), imageSize.height()));
        if (heic)
            QVERIFY2(testtools::run("heif-enc", {"-q", "80", "-o", image, made}).ok(), "heif-enc failed");

        QVERIFY(isStillImagePath(image)); // how a run tells photos from clips, in any case

        const QString out = m_dir.filePath(file + ".mp4");
        auto source = openStillImage(image, MediaTime {totalValue, totalScale}, nullptr);
        videotest::muxAlone(*source, out);

        QCOMPARE(testtools::decodeErrors(out), QString());
        const QJsonObject s = testtools::probe(out)["streams"][0].toObject();
        // H.264 4:2:0 wants even sides: the odd pixel goes.
        QCOMPARE(QSize(s.value("width").toInt(), s.value("height").toInt()),
                 QSize(imageSize.width() & ~1, imageSize.height() & ~1));
        QStringList tags;
        for (const char* key : {"codec_name", "codec_tag_string", "pix_fmt", "color_space", "color_transfer",
                                "color_primaries", "color_range"})
            tags << s.value(key).toString();
        QCOMPARE(tags.join(' '), QStringLiteral("h264 avc1 yuv420p bt709 bt709 bt709 tv"));

        const int frames = int((30 * totalValue + totalScale - 1) / totalScale);
        const double duration = s.value("duration").toString().toDouble();
        QVERIFY2(std::abs(duration - double(totalValue) / totalScale) < 1.0 / 30, qPrintable(QString::number(duration)));

        // A key frame opens every repeated GOP, so seeking works throughout.
        const QJsonArray packets = testtools::probePackets(out, "v:0").value("packets").toArray();
        for (int i = 0; i < packets.size(); ++i)
            QCOMPARE(packets[i].toObject().value("flags").toString().startsWith('K'), i % 300 == 0);

        // Exactly the frames the length needs, and a repeated GOP decodes to
        // the very pictures of the first one.
        const auto r = testtools::run("ffmpeg", {"-v", "error", "-i", out, "-f", "framemd5", "-"});
        QStringList hashes;
        for (const QByteArray& line : r.out.split('\n')) {
            if (!line.startsWith('#') && line.count(',') >= 5)
                hashes << QString::fromLatin1(line.split(',').last()).trimmed();
        }
        QCOMPARE(hashes.size(), frames);
        for (int i = 300; i < frames; ++i)
            QCOMPARE(hashes[i], hashes[i - 300]);
    }

    // The EXIF tag read from the file turns the picture upright, and the
    // colours survive the conversion to YUV (no swapped channels). Stored:
    // 64 x 32, blue with a red square at the top-left; where the square ends
    // up and the size tell the eight orientations apart.
    void exifOrientation_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("corners"); // top-left, top-right, bottom-left, bottom-right
        QTest::newRow("1 upright") << 1 << QSize(64, 32) << QByteArray("RBBB");
        QTest::newRow("2 mirrored") << 2 << QSize(64, 32) << QByteArray("BRBB");
        QTest::newRow("3 upside down") << 3 << QSize(64, 32) << QByteArray("BBBR");
        QTest::newRow("4 flipped") << 4 << QSize(64, 32) << QByteArray("BBRB");
        QTest::newRow("5 transposed") << 5 << QSize(32, 64) << QByteArray("RBBB");
        QTest::newRow("6 turn clockwise") << 6 << QSize(32, 64) << QByteArray("BRBB");
        QTest::newRow("7 transversed") << 7 << QSize(32, 64) << QByteArray("BBBR");
        QTest::newRow("8 turn counter-clockwise") << 8 << QSize(32, 64) << QByteArray("BBRB");
        QTest::newRow("0 invalid, kept") << 0 << QSize(64, 32) << QByteArray("RBBB");
    }
    void exifOrientation()
    {
        QFETCH(int, tag);
        QFETCH(QSize, size);
        QFETCH(QByteArray, corners);
        const QString plain = m_dir.filePath("stored.jpg");
        QVERIFY(QFile::exists(plain)
                || testtools::ffmpeg({"-f", "lavfi", "-i", "color=c=blue:s=64x32,drawbox=x=0:y=0:w=16:h=16:color=red:t=fill",
                                      "-frames:v", "1", "-q:v", "2", plain}));
        QByteArray jpeg = testtools::readFile(plain);
        jpeg.insert(2, exifOrientationSegment(quint16(tag))); // right after SOI
        const QString image = m_dir.filePath(QStringLiteral("oriented%1.jpg").arg(tag));
        QVERIFY(testtools::writeFile(image, jpeg));

        const QString out = image + ".mp4";
        auto source = openStillImage(image, MediaTime::fromSeconds(0.1), nullptr);
        videotest::muxAlone(*source, out);

        const QJsonObject s = testtools::probe(out)["streams"][0].toObject();
        QCOMPARE(QSize(s.value("width").toInt(), s.value("height").toInt()), size);
        const QByteArray rgb = testtools::run("ffmpeg", {"-v", "error", "-i", out, "-frames:v", "1", "-f", "rawvideo",
                                                         "-pix_fmt", "rgb24", "-"}).out;
        QCOMPARE(rgb.size(), size.width() * size.height() * 3);
        const auto colourAt = [&](int x, int y) {
            const int at = (y * size.width() + x) * 3, r = quint8(rgb[at]), b = quint8(rgb[at + 2]);
            return r > 180 && b < 80 ? 'R' : b > 180 && r < 80 ? 'B' : '?';
        };
        const int right = size.width() - 5, bottom = size.height() - 5;
        QCOMPARE(QByteArray() + colourAt(4, 4) + colourAt(right, 4) + colourAt(4, bottom) + colourAt(right, bottom),
                 corners);
    }

    // Refused with one line, and a huge picture from its header alone:
    // decoding 30000 x 30000 first would need gigabytes.
    void badImagesFail_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // its start
        const QByteArray png("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12);
        QTest::newRow("text named png") << "x.png" << QByteArray("not an image at all") << "Failed to load image from x.png";
        QTest::newRow("truncated png") << "cut.png"
                                       << png + QByteArray("IHDR\x00\x00\x00\x10\x00\x00\x00\x10\x08\x02\x00\x00\x00\x90\x91\x68\x36", 21)
                                       << "Failed to load image from cut.png";
        QTest::newRow("text named heic") << "fake.heic" << QByteArray("ftypheic but nothing else")
                                         << "Failed to load image from fake.heic";
        QTest::newRow("missing file") << "absent.jpeg" << QByteArray("-") << "Failed to load image from absent.jpeg";
        QTest::newRow("decompression bomb")
            << "bomb.png" << png + QByteArray("IHDR\x00\x00\x75\x30\x00\x00\x75\x30\x08\x02\x00\x00\x00\xe9\x45\x6f\xed", 21)
            << "Image bomb.png is too large (30000 x 30000 pixels";
    }
    void badImagesFail()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(file);
        if (bytes != "-")
            QVERIFY(testtools::writeFile(path, bytes));
        try {
            openStillImage(path, MediaTime::fromSeconds(1), nullptr);
            QFAIL("no error");
        } catch (const CompositionError& e) {
            QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestStillImage)
#include "tst_stillimage.moc"
