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

#include <array>
#include <cmath>

using namespace lc::media;

namespace {

// Writes an encoder's packets alone into an MP4 the way the export run does.
void writeMix(const AVCodecParameters* params, std::vector<PacketPtr>& packets, const QString& path)
{
    MovieMuxer muxer(path);
    AVStream* st = muxer.addStream();
    checkAv(avcodec_parameters_copy(st->codecpar, params), "avcodec_parameters_copy");
    st->time_base = {1, kMixSampleRate};
    muxer.writeHeader();
    for (PacketPtr& p : packets)
        muxer.writePacket(p.get(), 0, {1, kMixSampleRate});
    muxer.finish();
}
void writeMix(MixedAudioEncoder& encoder, const QString& path)
{
    std::vector<PacketPtr> packets;
    for (PacketPtr p = makePacket(); encoder.nextPacket(p.get()); p = makePacket())
        packets.push_back(std::move(p));
    writeMix(encoder.codecParameters(), packets, path);
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

using Pcm = std::array<std::vector<float>, 2>; // mixed PCM as the encoders are fed it: left, right

// Error energy per AAC frame of `decoded` (stereo interleaved) against `ref`.
std::vector<double> frameErrors(const QVector<float>& decoded, const Pcm& ref)
{
    std::vector<double> out;
    for (size_t f = 0; (f + 1) * kAacFrameSize <= std::min(size_t(decoded.size() / 2), ref[0].size()); ++f) {
        double e = 0;
        for (size_t i = f * kAacFrameSize; i < (f + 1) * kAacFrameSize; ++i)
            e += std::pow(decoded[int(2 * i)] - ref[0][i], 2) + std::pow(decoded[int(2 * i + 1)] - ref[1][i], 2);
        out.push_back(e);
    }
    return out;
}

// Per AAC frame from `from` on, the 3-16 kHz energy (Butterworth biquads:
// two high-pass, one low-pass) of the side (L-R) of a decoded mono mix
// against its mid (L+R): the frames where the side comes within 30 dB, per
// minute, and the widest frame in dB.
std::pair<double, double> widening(const QVector<float>& stereo, int64_t from)
{
    std::vector<double> band[2]; // mid, side
    for (int i = 0; i + 1 < stereo.size(); i += 2)
        band[0].push_back(stereo[i] + stereo[i + 1]), band[1].push_back(stereo[i] - stereo[i + 1]);
    for (std::vector<double>& x : band)
        for (const auto& [f, high] : {std::pair {3000.0, true}, {3000.0, true}, {16000.0, false}}) {
            const double w = 2 * M_PI * f / kMixSampleRate, c = std::cos(w), a = std::sin(w) / M_SQRT2;
            const double b1 = (high ? -(1 + c) : 1 - c) / (1 + a), b0 = std::abs(b1) / 2;
            double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
            for (double& v : x) {
                const double y = b0 * (v + x2) + b1 * x1 + (2 * c * y1 - (1 - a) * y2) / (1 + a);
                x2 = x1, x1 = v, y2 = y1, y1 = v = y;
            }
        }
    const int64_t frames = int64_t(band[0].size()) / kAacFrameSize;
    double wide = 0, widest = -200;
    for (int64_t f = from; f < frames; ++f) {
        double m = 0, s = 0;
        for (size_t i = size_t(f * kAacFrameSize); i < size_t((f + 1) * kAacFrameSize); ++i)
            m += band[0][i] * band[0][i], s += band[1][i] * band[1][i];
        widest = std::max(widest, 10 * std::log10((s + 1e-12) / (m + 1e-12)));
        wide += s > 1e-3 * m;
    }
    return {wide * 60.0 * kMixSampleRate / kAacFrameSize / double(frames - from), widest};
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
        QVector<float> segmented, single;
        Pcm reference;
        std::vector<int64_t> segmentStarts;
        int seams = 0;
        std::vector<double> errPar, errSingle; // per frame, against the reference
    };
    Encoded encodeBothWays(const MixPlan& plan, const MixedAudioEncoder::Options& options, const QString& name)
    {
        MixedAudioEncoder enc(plan, nullptr, options);
        writeMix(enc, path(name));
        MixedAudioEncoder one(plan, nullptr, kSingleEncoder);
        writeMix(one, path("single-" + name));
        const QVector<float> ours = testtools::decodeAudio(path(name));
        const QVector<float> single = testtools::decodeAudio(path("single-" + name));
        const Pcm ref = renderReference(plan);
        return {ours, single, ref, enc.segmentStarts(), enc.seamCount(), frameErrors(ours, ref), frameErrors(single, ref)};
    }

    Pcm renderReference(const MixPlan& plan)
    {
        MixSource src(plan, nullptr);
        Pcm pcm {std::vector<float>(size_t(src.totalFrames())), std::vector<float>(size_t(src.totalFrames()))};
        src.render(pcm[0].data(), pcm[1].data(), src.totalFrames());
        return pcm;
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
        // for the seam checks; tonal, so a bad splice stands out of the
        // coding error.
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
        // Loud noise, mono: the encoder's noise coding is what decides its width.
        QVERIFY(testtools::ffmpeg({"-f", "lavfi", "-i", "anoisesrc=c=pink:a=0.5:seed=1:r=44100:d=20", path("pink.flac")}));
        QVERIFY(testtools::ffmpeg({"-f", "lavfi", "-i", "anoisesrc=c=white:a=0.15:seed=2:r=44100:d=20", "-f", "lavfi", "-i",
                                   "sine=f=440:d=20", "-filter_complex", "amix=normalize=0", path("hiss.flac")}));
    }

    // Three tones crossfaded by 1 s: each tone's level in the mix, measured
    // per 10 ms, follows the planned ramps and is flat elsewhere. (That the
    // encoded stream matches this mix is checked with the segments below.)
    void crossfadeEnvelope()
    {
        const QStringList songs {path("a400.flac"), path("b1000.flac"), path("c2500.flac")};
        const QList<double> freqs {400, 1000, 2500};
        const MixPlan plan = planFor(songs, 1.0);
        const std::vector<float> mix = renderReference(plan)[0]; // left

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
                    re += mix[size_t(first + i)] * std::cos(phase), im += mix[size_t(first + i)] * std::sin(phase);
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
        QVERIFY(e.segmented.size() - qsizetype(2 * e.reference[0].size()) < 2048);
        QVERIFY(e.seams >= 30);
        QCOMPARE(testtools::decodeErrors(path("segmented.mp4")), QString());

        const std::vector<double> signalPerFrame = frameErrors(QVector<float>(e.segmented.size()), e.reference);

        // A seam that does not decode cleanly (shifted samples, broken
        // overlap-add) costs about as much error as there is signal; the
        // encoders' own quantisation noise stays far below that.
        const std::vector<int64_t>& starts = e.segmentStarts;
        double worstSeamSnr = 1e9, worstSingleSnr = 1e9;
        for (size_t f = 0; f < e.errPar.size(); ++f) {
            if (signalPerFrame[f] < 1e-2)
                continue; // near-silent frames say nothing about clicks
            worstSingleSnr = std::min(worstSingleSnr, 10 * std::log10(signalPerFrame[f] / e.errSingle[f]));
            const auto next = std::upper_bound(starts.begin(), starts.end(), int64_t(f));
            const int64_t fromSeam = int64_t(f) - *(next - 1);
            const bool nearNext = next != starts.end() && *next - int64_t(f) <= 6;
            if (f > 16 && (fromSeam <= 6 || nearNext))
                worstSeamSnr = std::min(worstSeamSnr, 10 * std::log10(signalPerFrame[f] / e.errPar[f]));
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

    // A loud mono mix cut into segments widens no more often and no worse than one encoder
    // wherever it starts (its first warm-up skipped, as ours is); tonal material stays mono
    // outright. After each seam the coding error per frame is one encoder's running through.
    void monoMixStaysMonoAcrossSeams_data()
    {
        QTest::addColumn<QStringList>("songs");
        QTest::newRow("tonal") << QStringList {"mono1.flac", "mono2.flac"};
        QTest::newRow("noise") << QStringList {"pink.flac", "hiss.flac"};
    }
    void monoMixStaysMonoAcrossSeams()
    {
        QFETCH(QStringList, songs);
        const MixPlan plan = planFor({path(songs[0]), path(songs[1])}, 1.0);
        MixedAudioEncoder::Options segmented;
        segmented.segmentFrames = 2 * (segmented.warmupFrames + segmented.tailFrames); // shortest allowed: two seams
        const Encoded e = encodeBothWays(plan, segmented, "mono.mp4");
        QCOMPARE(e.seams, 2);

        const auto [ours, oursWidest] = widening(e.segmented, segmented.warmupFrames);
        auto [single, singleWidest] = widening(e.single, segmented.warmupFrames);
        // One encoder started a third and two thirds of a segment into the mix.
        CodecParametersPtr params(avcodec_parameters_alloc());
        checkAv(avcodec_parameters_from_context(params.get(), openMixAacEncoder().get()), "avcodec_parameters_from_context");
        for (const int third : {1, 2}) {
            const size_t from = size_t(third * segmented.segmentFrames / 3 * kAacFrameSize), n = e.reference[0].size() - from;
            std::vector<PacketPtr> packets = encodeAacSegment(e.reference[0].data() + from, e.reference[1].data() + from,
                                                              int64_t(n), 0, true, [] { return false; });
            writeMix(params.get(), packets, path("offset.mp4"));
            const auto [rate, widest] = widening(testtools::decodeAudio(path("offset.mp4")), segmented.warmupFrames);
            single = std::max(single, rate), singleWidest = std::max(singleWidest, widest);
        }
        // Error over windows of 1 s, from the earliest possible splice to 2 s after
        // the boundary: two encoders' errors on one transient frame can differ by
        // several dB, but a cold encoder's error stays off for seconds.
        constexpr int64_t kWindow = 43;
        double worstError = 0;
        for (size_t k = 1; k < e.segmentStarts.size(); ++k) {
            const int64_t boundary = e.segmentStarts[k];
            for (int64_t f = boundary - segmented.warmupFrames / 2; f < boundary + 2 * kWindow; f += kWindow) {
                double p = 0, q = 0;
                for (int64_t i = f; i < f + kWindow && i < int64_t(e.errPar.size()); ++i)
                    p += e.errPar[size_t(i)], q += e.errSingle[size_t(i)];
                worstError = std::max(worstError, std::abs(10 * std::log10(p / q)));
            }
        }
        qInfo("side within 30 dB of mid: ours %.1f frames/min (widest %.1f dB), one encoder at most %.1f (%.1f dB); "
              "error after seams within %.2f dB of one encoder", ours, oursWidest, single, singleWidest, worstError);
        QVERIFY(ours <= 1.5 * single + 1 && oursWidest <= std::max(singleWidest + 3, -60.0));
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
