#include "media/audio/MixPlan.h"
#include "media/audio/MixSource.h"

#include <cmath>

#include <QtTest>

using namespace lc::media;

namespace {
constexpr int64_t kNoAudio = -1;

MixPlanBuilder build(const QList<qint64>& frames, double crossfade, QStringList* lines = nullptr)
{
    MixPlanBuilder b(int(frames.size()), crossfade);
    for (int i = 0; i < frames.size(); ++i) {
        SongMeasurement m;
        m.hasAudio = frames[i] != kNoAudio;
        m.frames = m.hasAudio ? frames[i] : 0;
        const QString line = b.add(i, QStringLiteral("/music/song%1.mp3").arg(i), m);
        if (lines)
            *lines << line;
    }
    return b;
}

QList<qint64> seconds(std::initializer_list<int> s)
{
    QList<qint64> out;
    for (int v : s)
        out << (v < 0 ? kNoAudio : qint64(v) * kMixSampleRate);
    return out;
}
} // namespace

class TestMixPlan : public QObject {
    Q_OBJECT
private slots:
    void cursorArithmetic_data()
    {
        QTest::addColumn<QList<qint64>>("frames");
        QTest::addColumn<double>("crossfade");
        QTest::addColumn<QList<double>>("starts");
        QTest::addColumn<QString>("fadeIns");
        QTest::addColumn<QString>("fadeOuts");
        QTest::addColumn<double>("total");

        QTest::newRow("first skipped: fading in at zero")
            << seconds({-1, 180, 200}) << 3.0 << QList<double> {0, 177} << "11" << "10" << 377.0;
        QTest::newRow("middle skipped")
            << seconds({180, -1, 200}) << 3.0 << QList<double> {0, 177} << "01" << "10" << 377.0;
        QTest::newRow("last skipped: still fades out and pulls back")
            << seconds({180, 200, -1}) << 3.0 << QList<double> {0, 177} << "01" << "11" << 374.0;
        QTest::newRow("single song") << seconds({180}) << 3.0 << QList<double> {0} << "0" << "0" << 180.0;
        // Overlaps are cut to half the shorter song: nothing runs backwards.
        QTest::newRow("crossfade longer than songs") << seconds({2, 2, 2}) << 3.0 << QList<double> {0, 1, 2}
                                                     << "011" << "110" << 4.0;
        QTest::newRow("huge crossfade, last skipped: never below the song")
            << seconds({2, -1}) << 1e18 << QList<double> {0} << "0" << "1" << 2.0;
        QTest::newRow("not-a-number crossfade is none")
            << seconds({180, 200}) << std::nan("") << QList<double> {0, 180} << "01" << "10" << 380.0;
        QTest::newRow("odd sample counts add exactly")
            << QList<qint64> {44101, 44103} << 0.5 << QList<double> {0, 44101.0 / 44100 - 0.5} << "01"
            << "10" << 44101.0 / 44100 - 0.5 + 44103.0 / 44100;
    }
    void cursorArithmetic()
    {
        QFETCH(QList<qint64>, frames);
        QFETCH(double, crossfade);
        QFETCH(QList<double>, starts);
        QFETCH(QString, fadeIns);
        QFETCH(QString, fadeOuts);
        QFETCH(double, total);

        const MixPlan plan = build(frames, crossfade).plan();
        QCOMPARE(plan.entries.size(), starts.size());
        for (int i = 0; i < plan.entries.size(); ++i) {
            const MixEntry& e = plan.entries[i];
            QCOMPARE(e.start.seconds(), starts[i]);
            QCOMPARE(e.fadeIn, fadeIns[i] == '1');
            QCOMPARE(e.fadeOut, fadeOuts[i] == '1');
        }
        QCOMPARE(plan.total.seconds(), total);
        QCOMPARE(plan.totalFrames(), qint64(std::llround(total * kMixSampleRate)));
    }

    void printedLines_data()
    {
        QTest::addColumn<QList<qint64>>("frames");
        QTest::addColumn<double>("crossfade");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("skips keep positions") << seconds({-1, 180, -1, 200}) << 3.0
                                              << QStringList {"⚠️ Skipping song0.mp3 — no audio track",
                                                              "[RemuxWorker] #1 song1.mp3 → B insert@0/1",
                                                              "⚠️ Skipping song2.mp3 — no audio track",
                                                              "[RemuxWorker] #3 song3.mp3 → B insert@15611400/88200"};
        QTest::newRow("crossfade rounded to 1/600") << QList<qint64> {44101, 44100} << 0.2501
                                                    << QStringList {"[RemuxWorker] #0 song0.mp3 → A insert@0/1",
                                                                    "[RemuxWorker] #1 song1.mp3 → B insert@66152/88200"};
    }
    void printedLines()
    {
        QFETCH(QList<qint64>, frames);
        QFETCH(double, crossfade);
        QFETCH(QStringList, lines);
        QStringList printed;
        build(frames, crossfade, &printed);
        QCOMPARE(printed, lines);
    }

    // Ramps on the sample grid: fades of neighbours sum to full level, and a
    // song shorter than the crossfade gets both ramps without leaving [0, 1].
    void placementGains_data()
    {
        QTest::addColumn<QList<qint64>>("frames");
        QTest::addColumn<double>("crossfade");
        QTest::addColumn<int>("entry");
        QTest::addColumn<qint64>("sample");
        QTest::addColumn<double>("gain");

        const QList<qint64> two {441000, 441000};
        QTest::newRow("fade-out start") << two << 1.0 << 0 << qint64(396900) << 1.0;
        QTest::newRow("fade-out middle") << two << 1.0 << 0 << qint64(396900 + 22050) << 0.5;
        QTest::newRow("fade-in start") << two << 1.0 << 1 << qint64(396900) << 0.0;
        const QList<qint64> shortMiddle {441000, 22050, 441000};
        // Middle song of 0.5 s with a 1 s crossfade: its ramps are cut to
        // 0.25 s each, and its neighbours' ramps match them.
        QTest::newRow("short song fading in") << shortMiddle << 1.0 << 1 << qint64(429975 + 5512) << 5512.0 / 11025;
        QTest::newRow("neighbour fading out") << shortMiddle << 1.0 << 0 << qint64(429975 + 5512)
                                              << 1.0 - 5512.0 / 11025;
        QTest::newRow("short song at full level") << shortMiddle << 1.0 << 1 << qint64(429975 + 11025) << 1.0;
    }
    void placementGains()
    {
        QFETCH(QList<qint64>, frames);
        QFETCH(double, crossfade);
        QFETCH(int, entry);
        QFETCH(qint64, sample);
        QFETCH(double, gain);
        const MixPlan plan = build(frames, crossfade).plan();
        std::vector<MixSource::Placement> placed = MixSource::place(plan);
        std::sort(placed.begin(), placed.end(), [](auto& a, auto& b) { return a.path < b.path; });
        QVERIFY(qAbs(placed[size_t(entry)].gainAt(sample) - gain) < 1e-4);
    }

    // One gain per song: to the target, lowered where the true peak would
    // pass the ceiling; songs too quiet to measure, and every song when
    // matching is off, keep a factor of exactly 1 (no gain pass at all).
    void loudnessGains_data()
    {
        QTest::addColumn<double>("integrated");
        QTest::addColumn<double>("truePeak");
        QTest::addColumn<double>("target"); // NaN: matching off
        QTest::addColumn<double>("gainDb");
        const double inf = std::numeric_limits<double>::infinity(), off = std::nan("");
        QTest::newRow("quiet song raised") << -30.0 << -29.3 << -14.0 << 16.0;
        QTest::newRow("loud song lowered") << -9.0 << -0.5 << -14.0 << -5.0;
        QTest::newRow("ceiling holds the raise") << -20.0 << -4.0 << -14.0 << 3.0;
        QTest::newRow("at the gate: measured") << -70.0 << -60.0 << -14.0 << 56.0;
        QTest::newRow("below the gate: kept") << -70.5 << -60.0 << -14.0 << 0.0;
        QTest::newRow("silence: kept") << -inf << -inf << -14.0 << 0.0;
        QTest::newRow("matching off") << -30.0 << -29.3 << off << 0.0;
    }
    void loudnessGains()
    {
        QFETCH(double, integrated);
        QFETCH(double, truePeak);
        QFETCH(double, target);
        QFETCH(double, gainDb);
        MixPlanBuilder b(1, 0, std::isnan(target) ? std::nullopt : std::optional(LoudnessTarget {target, -1.0}));
        SongMeasurement m {true, kMixSampleRate, SongLoudness {integrated, truePeak}, {}, {}};
        b.add(0, QStringLiteral("/music/a.mp3"), m);
        const MixEntry& e = b.plan().entries.first();
        QVERIFY2(qAbs(e.gainDb - gainDb) < 1e-9, qPrintable(QString::number(e.gainDb)));
        const float factor = MixSource::place(b.plan()).front().gain;
        QVERIFY(gainDb != 0 ? qAbs(factor - std::pow(10.0, gainDb / 20)) < 1e-5 : factor == 1.0f);
    }
};

QTEST_GUILESS_MAIN(TestMixPlan)
#include "tst_mix_plan.moc"
