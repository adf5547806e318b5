// Cost of loudness matching where it is paid: the pass that measures every
// song before the mix starts. Runs that pass over the given songs on two
// threads, alternately without and with the loudness meter, and prints wall
// and CPU time of each and the ratio of the means.
// Usage: bench_song_pass [--rounds N] SONG...

#include "ProcessCpu.h"
#include "media/audio/SongMeasureQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

using namespace lc::media;

namespace {

struct Times {
    double wall = 0, cpu = 0;
};

Times measureAll(const QStringList& songs, bool loudness)
{
    const double cpu0 = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    SongMeasureQueue queue(songs, 2, nullptr, loudness);
    for (int i = 0; i < songs.size(); ++i)
        queue.take(i);
    return {double(timer.nsecsElapsed()) * 1e-9, processCpuSeconds() - cpu0};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList songs = app.arguments().mid(1);
    int rounds = 3;
    if (songs.size() > 1 && songs[0] == QLatin1String("--rounds")) {
        rounds = songs[1].toInt();
        songs = songs.mid(2);
    }
    if (songs.isEmpty() || rounds < 1) {
        std::fprintf(stderr, "usage: bench_song_pass [--rounds N] SONG...\n");
        return 2;
    }
    Times sum[2];
    for (int r = 0; r < rounds; ++r) {
        for (const bool loudness : {false, true}) {
            const Times t = measureAll(songs, loudness);
            std::printf("%-13s wall %6.3f s  cpu %6.3f s\n", loudness ? "loudness on" : "loudness off", t.wall, t.cpu);
            sum[loudness].wall += t.wall;
            sum[loudness].cpu += t.cpu;
        }
    }
    std::printf("song pass with the meter / without: wall %.3f (+%.2f s), cpu %.3f (+%.2f s)\n",
                sum[1].wall / sum[0].wall, (sum[1].wall - sum[0].wall) / rounds, sum[1].cpu / sum[0].cpu,
                (sum[1].cpu - sum[0].cpu) / rounds);
    return 0;
}
