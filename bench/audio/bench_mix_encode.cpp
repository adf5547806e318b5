// Encode speed of a crossfaded mix: our segment-parallel encoder against a
// single encoder over the same PCM and against the ffmpeg command line a
// power user would write (acrossfade chain, native AAC at 192k), measured in
// the same run. Usage: bench_mix_encode [minutes per song = 2] [songs = 3]

#include "ProcessCpu.h"
#include "media/audio/MixPlan.h"
#include "media/audio/MixedAudioEncoder.h"
#include "media/common/MediaError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace lc::media;

namespace {

bool ffmpeg(const QStringList& args)
{
    QProcess p;
    p.start("ffmpeg", QStringList {"-y", "-hide_banner", "-nostdin", "-loglevel", "error"} + args);
    p.waitForFinished(-1);
    if (p.exitCode() != 0)
        std::fprintf(stderr, "%s\n", p.readAllStandardError().constData());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Music-like material: a few tones with slow modulation, noise, and beats.
QString songSource(int i, double seconds)
{
    const int base = 220 + 70 * i;
    return QStringLiteral("aevalsrc=exprs='0.12*sin(2*PI*%1*t)*(0.7+0.3*sin(2*PI*0.3*t))"
                          "+0.08*sin(2*PI*%2*t)+0.05*(random(0)-0.5)"
                          "+0.3*sin(2*PI*90*t)*exp(-30*mod(t,0.5))|0.1*sin(2*PI*%3*t)"
                          "+0.05*(random(1)-0.5)+0.3*sin(2*PI*90*t)*exp(-30*mod(t,0.5))':s=44100:d=%4")
        .arg(base).arg(base * 3 / 2).arg(base * 2).arg(seconds);
}

double encodeAll(const MixPlan& plan, const MixedAudioEncoder::Options& options, int64_t* bytes)
{
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer t;
    t.start();
    MixedAudioEncoder enc(plan, nullptr, options);
    AVPacket* pkt = av_packet_alloc();
    *bytes = 0;
    while (enc.nextPacket(pkt)) {
        *bytes += pkt->size;
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    const double wall = t.elapsed() / 1000.0;
    std::printf("  (%d thread(s): %.2f s wall, %.2f s CPU)\n", options.threads, wall,
                processCpuSeconds() - cpuBefore);
    return wall;
}

// Time from raising the cancel flag, with both segment encoders busy, to the
// encoder giving up (nextPacket throws). Target: well under a second, so a
// paused or cancelled job frees its slot at once.
double cancelLatencyMs(const MixPlan& plan)
{
    lc::media::CancelToken cancel;
    MixedAudioEncoder enc(plan, &cancel);
    AVPacket* pkt = av_packet_alloc();
    for (int i = 0; i < 2000 && enc.nextPacket(pkt); ++i)
        av_packet_unref(pkt);
    QElapsedTimer t;
    t.start();
    cancel.cancel();
    try {
        while (enc.nextPacket(pkt))
            av_packet_unref(pkt);
    } catch (const CancelledError&) {
    }
    av_packet_free(&pkt);
    return t.nsecsElapsed() / 1e6;
}

// Peak resident memory of this process so far, in MiB.
double peakMemoryMiB()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int count = argc > 2 ? std::atoi(argv[2]) : 3;
    const double crossfade = 3.0;
    QTemporaryDir dir;

    QStringList songs;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("song%1.flac").arg(i));
        if (!ffmpeg({"-f", "lavfi", "-i", songSource(i, minutes * 60), path}))
            return 1;
        songs << path;
    }

    QElapsedTimer t;
    t.start();
    MixPlanBuilder builder(int(songs.size()), crossfade);
    for (int i = 0; i < songs.size(); ++i)
        builder.add(i, songs[i], measureSong(songs[i]));
    const double measureSeconds = t.elapsed() / 1000.0;
    const MixPlan plan = builder.plan();
    const double mixHours = plan.total.seconds() / 3600.0;

    MixedAudioEncoder::Options single;
    single.segmentFrames = 1 << 30;
    single.threads = 1;
    int64_t bytesSingle = 0, bytesParallel = 0;
    // Segmented first: its peak memory is read before the reference run,
    // which holds the whole mix's PCM as one segment.
    const double parallelSeconds = encodeAll(plan, {}, &bytesParallel);
    const double peakMiB = peakMemoryMiB();
    const double singleSeconds = encodeAll(plan, single, &bytesSingle);

    // The peer: one ffmpeg command, pairwise acrossfade chain, native AAC.
    QStringList args;
    for (const QString& s : songs)
        args << "-i" << s;
    QString graph;
    QString last = "[0:a]";
    for (int i = 1; i < songs.size(); ++i) {
        const QString out = QStringLiteral("[x%1]").arg(i);
        graph += QStringLiteral("%1[%2:a]acrossfade=d=%3:c1=tri:c2=tri%4;").arg(last).arg(i).arg(crossfade).arg(out);
        last = out;
    }
    graph += last + "aresample=44100[out]";
    args << "-filter_complex" << graph << "-map" << "[out]" << "-c:a" << "aac" << "-b:a" << "192k"
         << dir.filePath("peer.m4a");
    t.restart();
    if (!ffmpeg(args))
        return 1;
    const double peerSeconds = t.elapsed() / 1000.0;

    std::printf("mix: %d songs, %.1f min\n", int(songs.size()), plan.total.seconds() / 60);
    std::printf("measure (decode) : %6.2f s  = %6.1f s per hour of audio\n", measureSeconds, measureSeconds / mixHours);
    std::printf("single encoder   : %6.2f s  = %6.1f s/h  (%.1f kbit/s)\n", singleSeconds, singleSeconds / mixHours,
                bytesSingle * 8 / plan.total.seconds() / 1000);
    std::printf("segmented, 2 thr : %6.2f s  = %6.1f s/h  (%.1f kbit/s)\n", parallelSeconds,
                parallelSeconds / mixHours, bytesParallel * 8 / plan.total.seconds() / 1000);
    std::printf("peak memory of the segmented encode: %.0f MiB\n", peakMiB);
    std::printf("ffmpeg peer      : %6.2f s  = %6.1f s/h\n", peerSeconds, peerSeconds / mixHours);
    std::printf("ratios: segmented/single %.2f, segmented/peer %.2f, (measure+segmented)/peer %.2f\n",
                parallelSeconds / singleSeconds, parallelSeconds / peerSeconds,
                (measureSeconds + parallelSeconds) / peerSeconds);
    std::printf("cancel mid-mix   : %6.1f ms until the encoder stops\n", cancelLatencyMs(plan));
    return 0;
}
