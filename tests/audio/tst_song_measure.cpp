#include "media/audio/SongMeasure.h"
#include "media/audio/TruePeakMeter.h"

#include "TestTools.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace lc::media;

class TestSongMeasure : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void exactLengths_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<QStringList>("codecArgs");
        QTest::addColumn<int>("tolerance");

        // 2.5 s of tone: 110250 samples at 44.1 kHz whatever the source rate.
        // (WAV, MP3 and AAC songs are measured to the sample in
        // tst_render_pipeline::completedRun.)
        QTest::newRow("flac mono") << "mono.flac" << 44100 << QStringList {"-ac", "1"} << 0;
        QTest::newRow("ogg vorbis") << "tone.ogg" << 44100 << QStringList {"-c:a", "libvorbis"} << 4;
        QTest::newRow("48 kHz resampled") << "tone48.wav" << 48000 << QStringList {} << 2;
        // The header's data size is doubled below: the song is as long as
        // what decodes, not as its header claims.
        QTest::newRow("wav header claims twice its data") << "lying.wav" << 44100 << QStringList {} << 0;
    }
    void exactLengths()
    {
        QFETCH(QString, file);
        QFETCH(int, sampleRate);
        QFETCH(QStringList, codecArgs);
        QFETCH(int, tolerance);
        QVERIFY(testtools::makeTone(path(file), 2.5, 440, sampleRate, codecArgs));
        if (file == "lying.wav") {
            QByteArray wav = testtools::readFile(path(file));
            const qsizetype at = wav.indexOf("data") + 4;
            QVERIFY(at > 4);
            const quint32 size = qFromLittleEndian<quint32>(wav.constData() + at);
            qToLittleEndian<quint32>(2 * size, wav.data() + at);
            QVERIFY(testtools::writeFile(path(file), wav));
        }

        const SongMeasurement m = measureSong(path(file));
        QVERIFY(m.hasAudio);
        QVERIFY2(qAbs(m.frames - 110250) <= tolerance, qPrintable(QString::number(m.frames)));
        // Metering reads the same decode on a second thread: same count.
        QCOMPARE(measureSong(path(file), nullptr, true).frames, m.frames);
    }

    // Without a Xing header the container guesses the length from the first
    // frames' bitrate; a VBR file whose start is quiet makes that guess wrong.
    void mp3WithoutXingHeaderIsDecodedToItsEnd()
    {
        const QString file = path("noxing.mp3");
        QVERIFY(testtools::ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-f", "lavfi", "-i",
                                   "anoisesrc=duration=5:amplitude=0.5", "-filter_complex",
                                   "[0:a][1:a]concat=n=2:v=0:a=1,aformat=channel_layouts=stereo", "-c:a",
                                   "libmp3lame", "-q:a", "0", "-write_xing", "0", file}));
        const double decoded = testtools::decodeAudio(file).size() / 2.0 / 44100.0;
        QCOMPARE(measureSong(file).frames, qint64(std::llround(decoded * 44100)));
    }

    // A sine's true peak is its amplitude, wherever its samples fall: at a
    // quarter of the rate with a 45-degree phase every sample misses the
    // crests by 3 dB.
    void truePeak_data()
    {
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("phase");
        QTest::newRow("997 Hz") << 997.0 << 0.0;
        QTest::newRow("quarter rate, samples off the crests") << 11025.0 << M_PI / 4;
        QTest::newRow("near the top of the band") << 17000.0 << 1.0;
    }
    void truePeak()
    {
        QFETCH(double, frequency);
        QFETCH(double, phase);
        std::vector<float> left(44100), silent(left.size());
        for (size_t i = 0; i < left.size(); ++i)
            left[i] = float(0.5 * std::sin(2 * M_PI * frequency * double(i) / kMixSampleRate + phase));
        TruePeakMeter meter;
        meter.add(left.data(), silent.data(), int64_t(left.size()));
        const double error = 20 * std::log10(meter.peak() / 0.5);
        QVERIFY2(std::abs(error) < 0.2, qPrintable(QString::number(error)));
    }
};

QTEST_GUILESS_MAIN(TestSongMeasure)
#include "tst_song_measure.moc"
