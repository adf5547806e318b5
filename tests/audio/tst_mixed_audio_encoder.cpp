#include "media/audio/AacSegmentEncoder.h"
#include "media/audio/AacWindowState.h"
#include "media/audio/MixPlan.h"
#include "media/audio/MixSource.h"
#include "media/audio/MixedAudioEncoder.h"
#include "media/common/MediaError.h"
#include "media/mux/MovieMuxer.h"

#include "TestTools.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace lc::media;

namespace {

// Writes the encoder's packets alone into an MP4 the way the export run does.
void writeMix(MixedAudioEncoder& encoder, const QString& path)
{
    MovieMuxer muxer(path);
    AVStream* st = muxer.addStream();
    checkAv(avcodec_parameters_copy(st->codecpar, encoder.codecParameters()), "avcodec_parameters_copy");
    st->time_base = encoder.timeBase();
    muxer.writeHeader();
    PacketPtr pkt = makePacket();
    while (encoder.nextPacket(pkt.get()))
        muxer.writePacket(pkt.get(), 0, encoder.timeBase());
    muxer.finish();
}

// lavfi sine (1/8), made stereo by ffmpeg's mono upmix at -3 dB.
constexpr double kToneAmplitude = 0.125 * M_SQRT1_2;

MixPlan planFor(const QStringList& songs, double crossfade, const QList<qint64>& extraFrames = {})
{
    MixPlanBuilder b(int(songs.size()), crossfade);
    for (int i = 0; i < songs.size(); ++i) {
        SongMeasurement m = measureSong(songs[i]);
        if (i < extraFrames.size())
            m.frames += extraFrames[i];
        b.add(i, songs[i], m);
    }
    return b.plan();
}

const MixedAudioEncoder::Options kSingleEncoder {.segmentFrames = 1 << 30, .threads = 1};

// Error energy per AAC frame of `decoded` against `reference` (both stereo interleaved).
std::vector<double> frameErrors(const QVector<float>& decoded, const QVector<float>& reference)
{
    std::vector<double> out;
    for (int64_t f = 0; (f + 1) * 2048 <= std::min<int64_t>(decoded.size(), reference.size()); ++f) {
        double e = 0;
        for (int64_t i = f * 2048; i < (f + 1) * 2048; ++i)
            e += double(decoded[int(i)] - reference[int(i)]) * (decoded[int(i)] - reference[int(i)]);
        out.push_back(e);
    }
    return out;
}

// The track's length in samples as players see it: the edit list trims the
// encoder's priming and the last frame's padding (ffmpeg's decoder keeps
// the padding, so decoded lengths run up to a frame over).
qint64 trackSamples(const QString& file)
{
    return testtools::probe(file)["streams"][0]["duration_ts"].toInteger();
}

} // namespace

class TestMixedAudioEncoder : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The plan encoded in segments (to `name`) and by one encoder, both
    // decoded, beside the mixed PCM they should match.
    struct Encoded {
        QVector<float> segmented, single, reference;
        std::vector<int64_t> segmentStarts;
        int seams = 0;
    };
    Encoded encodeBothWays(const MixPlan& plan, const MixedAudioEncoder::Options& options, const QString& name)
    {
        MixedAudioEncoder enc(plan, nullptr, options);
        writeMix(enc, path(name));
        MixedAudioEncoder one(plan, nullptr, kSingleEncoder);
        writeMix(one, path("single-" + name));
        return {testtools::decodeAudio(path(name)), testtools::decodeAudio(path("single-" + name)),
                renderReference(plan), enc.segmentStarts(), enc.seamCount()};
    }

    QVector<float> renderReference(const MixPlan& plan)
    {
        MixSource src(plan, nullptr);
        std::vector<float> l(size_t(src.totalFrames())), r(size_t(src.totalFrames()));
        src.render(l.data(), r.data(), src.totalFrames());
        QVector<float> out(int(l.size() * 2));
        for (size_t i = 0; i < l.size(); ++i) {
            out[int(2 * i)] = l[i];
            out[int(2 * i + 1)] = r[i];
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        const struct {
            const char* name;
            int seconds, frequency;
        } tones[] {{"a400.flac", 6, 400}, {"b1000.flac", 7, 1000}, {"c2500.flac", 8, 2500}, {"long440.flac", 32, 440}};
        for (const auto& t : tones)
            QVERIFY(testtools::makeTone(path(t.name), t.seconds, t.frequency, 44100));
        // Besides the long tone, tonal songs with transients (short windows)
        // for the seam checks; tonal, because noise is coded by substitution
        // and has no waveform to compare.
        const auto generate = [&](const QString& expr, const QString& name, int seconds, int channels = 2) {
            return testtools::ffmpeg({"-f", "lavfi", "-i", QStringLiteral("aevalsrc=exprs='%1':s=44100:d=%2").arg(expr).arg(seconds),
                                      "-ac", QString::number(channels), path(name)});
        };
        QVERIFY(generate("0.4*sin(2*PI*300*t)*lt(mod(t,0.07),0.012)", "bursts.flac", 32));
        QVERIFY(generate("0.1*sin(2*PI*523*t)+0.1*sin(2*PI*659*t)*(0.6+0.4*sin(2*PI*0.7*t))"
                         "+0.08*sin(2*PI*1568*t)*lt(mod(t,1.3),0.9)",
                         "chord.flac", 32));
        // Loud, broadband and mono: where a fresh encoder, not yet settled, switches
        // bands from mid/side to left/right coding and the mono image widens into hiss.
        for (const auto& [name, root] : {std::pair {"mono1.flac", 220}, std::pair {"mono2.flac", 165}})
            QVERIFY(generate(QStringLiteral("0.25*sin(2*PI*%1*t)+0.2*sin(2*PI*%2*t)*(0.6+0.4*sin(2*PI*0.7*t))"
                                            "+0.15*sin(2*PI*%3*t)+0.1*sin(2*PI*3*%3*t)"
                                            "+0.08*sin(2*PI*5*%3*t)*lt(mod(t,0.5),0.3)"
                                            "+0.05*sin(2*PI*9000*t)+0.04*sin(2*PI*12500*t)")
                                 .arg(root).arg(root * 1.498).arg(root * 2.52),
                             name, 20, 1));
    }

    // Three tones crossfaded by 1 s: each tone's level in the mix, measured
    // per 10 ms, follows the planned ramps and is flat elsewhere. (That the
    // encoded stream matches this mix is checked with the segments below.)
    void crossfadeEnvelope()
    {
        const QStringList songs {path("a400.flac"), path("b1000.flac"), path("c2500.flac")};
        const QList<double> freqs {400, 1000, 2500};
        const MixPlan plan = planFor(songs, 1.0);
        const QVector<float> mix = renderReference(plan);

        std::vector<MixSource::Placement> placed = MixSource::place(plan);
        constexpr int kWindow = 441;
        int checked = 0;
        for (int64_t w = 0; (w + 1) * kWindow <= plan.totalFrames(); ++w) {
            const int64_t first = w * kWindow;
            for (size_t s = 0; s < placed.size(); ++s) {
                const MixSource::Placement& p = placed[s];
                // Windows cut by a song's start or end are not a steady tone.
                if ((first < p.start && first + kWindow > p.start) || (first < p.end && first + kWindow > p.end))
                    continue;
                const bool inside = first >= p.start && first + kWindow <= p.end;
                const double expected = inside ? kToneAmplitude * p.gainAt(first + kWindow / 2) : 0.0;
                // The tone's amplitude in the left channel; windows hold whole cycles of every tone.
                double re = 0, im = 0;
                for (int i = 0; i < kWindow; ++i) {
                    const double phase = 2 * M_PI * freqs[int(s)] * i / kMixSampleRate;
                    re += mix[int((first + i) * 2)] * std::cos(phase);
                    im += mix[int((first + i) * 2)] * std::sin(phase);
                }
                const double measured = 2 * std::hypot(re, im) / kWindow;
                if (qAbs(measured - expected) > 0.002)
                    QFAIL(qPrintable(QStringLiteral("tone %1 Hz at %2 s: %3, expected %4")
                                         .arg(freqs[int(s)]).arg(first / 44100.0).arg(measured).arg(expected)));
                ++checked;
            }
        }
        QVERIFY(checked > 5000);
    }

    // A mix long enough for many segments: encoded on two threads and spliced,
    // it has the plan's exact length, stays sample-aligned with the mixed
    // PCM, and no frame around a seam decodes worse than the single encoder's
    // worst frame. (Tonal frames differ by design: a long-running encoder
    // keeps raising the quality of a steady tone it finds cheap to code.)
    void segmentedEncodingMatchesSingleEncoder()
    {
        const MixPlan plan = planFor({path("long440.flac"), path("bursts.flac"), path("chord.flac")}, 1.0);
        // Many seams: this is about the splice itself.
        const Encoded e = encodeBothWays(plan, {.segmentFrames = 96, .warmupFrames = 16}, "segmented.mp4");

        QCOMPARE(trackSamples(path("segmented.mp4")), plan.totalFrames());
        QCOMPARE(e.segmented.size(), e.single.size());
        QVERIFY(e.segmented.size() - e.reference.size() < 2048);
        QVERIFY(e.seams >= 30);
        QCOMPARE(testtools::decodeErrors(path("segmented.mp4")), QString());

        const std::vector<double> errPar = frameErrors(e.segmented, e.reference);
        const std::vector<double> errSingle = frameErrors(e.single, e.reference);
        const std::vector<double> signalPerFrame = frameErrors(e.reference, QVector<float>(e.reference.size(), 0.0f));

        // A seam that does not decode cleanly (shifted samples, broken
        // overlap-add) costs about as much error as there is signal; the
        // encoders' own quantisation noise stays far below that.
        const std::vector<int64_t>& starts = e.segmentStarts;
        double worstSeamSnr = 1e9, worstSingleSnr = 1e9;
        for (size_t f = 0; f < errPar.size(); ++f) {
            if (signalPerFrame[f] < 1e-2)
                continue; // near-silent frames say nothing about clicks
            worstSingleSnr = std::min(worstSingleSnr, 10 * std::log10(signalPerFrame[f] / errSingle[f]));
            const auto next = std::upper_bound(starts.begin(), starts.end(), int64_t(f));
            const int64_t fromSeam = int64_t(f) - *(next - 1);
            const bool nearNext = next != starts.end() && *next - int64_t(f) <= 6;
            if (f > 16 && (fromSeam <= 6 || nearNext))
                worstSeamSnr = std::min(worstSeamSnr, 10 * std::log10(signalPerFrame[f] / errPar[f]));
        }
        qInfo("worst frame SNR near seams %.1f dB, single encoder anywhere %.1f dB", worstSeamSnr, worstSingleSnr);
        QVERIFY(worstSeamSnr > 15);
        QVERIFY(worstSeamSnr > worstSingleSnr - 6);

        // Destroyed mid-stream, its workers busy or waiting for room, an
        // encoder joins them (a hang fails on the timeout). A raised cancel
        // flag stops the run before its next packet (tst_render_pipeline::failures);
        // how fast the encoder itself gives up is measured in the benchmarks.
        MixedAudioEncoder abandoned(plan, nullptr, {.segmentFrames = 96});
        PacketPtr pkt = makePacket();
        QVERIFY(abandoned.nextPacket(pkt.get()));
    }

    // A loud mono mix cut into segments: every frame keeps the side signal
    // far below the mid (the mono image stays put), and after each seam the
    // coding error per frame is that of one encoder running through.
    void monoMixStaysMonoAcrossSeams()
    {
        const MixPlan plan = planFor({path("mono1.flac"), path("mono2.flac")}, 1.0);
        MixedAudioEncoder::Options segmented;
        segmented.segmentFrames = 2 * (segmented.warmupFrames + segmented.tailFrames); // shortest allowed: two seams
        const Encoded e = encodeBothWays(plan, segmented, "mono.mp4");
        QCOMPARE(e.seams, 2);

        // The loudest side (L-R) against mid (L+R) of any AAC frame after the
        // first, on first differences: they lift the highs, where a fresh
        // encoder's switch from mid/side to left/right coding shows.
        double worstSide = -1e9;
        for (int64_t f = 1; (f + 1) * kAacFrameSize <= e.reference.size() / 2; ++f) {
            double mid = 0, side = 0;
            for (int64_t i = f * kAacFrameSize; i < (f + 1) * kAacFrameSize; ++i) {
                const double l = e.segmented[int(2 * i)] - e.segmented[int(2 * i - 2)];
                const double r = e.segmented[int(2 * i + 1)] - e.segmented[int(2 * i - 1)];
                mid += (l + r) * (l + r);
                side += (l - r) * (l - r);
            }
            worstSide = std::max(worstSide, 10 * std::log10((side + 1e-12) / mid));
        }
        // Error over windows of 1 s, from the earliest possible splice to 2 s
        // after the boundary: two encoders' errors on one transient frame can
        // differ by several dB, but a cold encoder's error stays off for
        // seconds.
        const std::vector<double> errPar = frameErrors(e.segmented, e.reference);
        const std::vector<double> errSingle = frameErrors(e.single, e.reference);
        constexpr int64_t kWindow = 43;
        double worstError = 0;
        for (size_t k = 1; k < e.segmentStarts.size(); ++k) {
            const int64_t boundary = e.segmentStarts[k];
            for (int64_t f = boundary - segmented.warmupFrames / 2; f < boundary + 2 * kWindow; f += kWindow) {
                double p = 0, q = 0;
                for (int64_t i = f; i < f + kWindow && i < int64_t(errPar.size()); ++i)
                    p += errPar[size_t(i)], q += errSingle[size_t(i)];
                worstError = std::max(worstError, std::abs(10 * std::log10(p / q)));
            }
        }
        qInfo("side/mid of differences at most %.1f dB; error after seams within %.2f dB of one encoder",
              worstSide, worstError);
        QVERIFY(worstSide < -60);
        QVERIFY(worstError < 2);
    }

    // The window states read from real encoder frames (what seams are matched
    // by): steady tones keep long windows, sharp onsets switch to short ones,
    // and the sequence read back follows AAC's only legal order (long, start,
    // short..., stop, long).
    void windowStatesOfEncodedFrames_data()
    {
        QTest::addColumn<bool>("onsets");
        QTest::newRow("steady tone") << false;
        QTest::newRow("tone bursts") << true;
    }
    void windowStatesOfEncodedFrames()
    {
        QFETCH(bool, onsets);
        std::vector<float> left(88200), right(88200);
        for (size_t i = 0; i < left.size(); ++i) {
            const double t = double(i) / kMixSampleRate;
            const bool on = !onsets || std::fmod(t, 0.2) < 0.05;
            left[i] = on ? float(0.4 * std::sin(2 * M_PI * 300 * t)) : 0.0f;
            right[i] = left[i] * 0.8f;
        }
        const std::vector<PacketPtr> packets = encodeAacSegment(left.data(), right.data(), int64_t(left.size()), 0,
                                                                true, [] { return false; });
        int shortFrames = 0, unreadable = 0, previous = -1;
        for (const PacketPtr& p : packets) {
            const std::optional<AacWindowState> w = readAacWindowState(p->data, p->size);
            unreadable += !w;
            const int sequence = w ? w->sequence : -1;
            constexpr int kLong = 0, kStart = 1, kShort = 2, kStop = 3;
            const bool legal = previous < 0 || sequence < 0
                || ((previous == kLong || previous == kStop) == (sequence == kLong || sequence == kStart));
            QVERIFY2(legal, qPrintable(QStringLiteral("%1 -> %2").arg(previous).arg(sequence)));
            // The stream's own start and end are onsets too; only count frames between.
            shortFrames += sequence == kShort && p->pts > 4 * kAacFrameSize
                && p->pts < int64_t(left.size()) - 4 * kAacFrameSize;
            previous = sequence;
        }
        QVERIFY(unreadable < int(packets.size()) / 10);
        QCOMPARE(shortFrames > 0, onsets);
    }

    // Mixes the plan cannot lay out plainly still come out at its exact
    // length: a crossfade longer than the songs, a song shorter than measured.
    void degenerateMixesKeepTheirLength()
    {
        for (const MixPlan& plan : {planFor({path("a400.flac"), path("a400.flac"), path("b1000.flac")}, 8.0),
                                    planFor({path("a400.flac"), path("b1000.flac")}, 0.5, {30000, 0})}) {
            MixedAudioEncoder enc(plan, nullptr);
            writeMix(enc, path("degenerate.mp4"));
            QCOMPARE(trackSamples(path("degenerate.mp4")), plan.totalFrames());
            QCOMPARE(testtools::decodeErrors(path("degenerate.mp4")), QString());
        }
    }
};

QTEST_GUILESS_MAIN(TestMixedAudioEncoder)
#include "tst_mixed_audio_encoder.moc"
