// Writes the mix of the given songs, planned and mixed as a render does it,
// as raw 32-bit float stereo PCM at 44.1 kHz: the input of the encode floor in
// run.sh, which then times the ffmpeg CLI's encoder alone on exactly what our
// encoders are fed. With LOUDNESS=LUFS in the environment (not empty) the
// mix matches loudness, as a render with --loudness does.
// Usage: bench_mix_pcm OUT.f32 CROSSFADE_S SONG...

#include "media/audio/MixPlan.h"
#include "media/audio/MixSource.h"
#include "media/common/MediaError.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <vector>

using namespace lc::media;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_mix_pcm OUT.f32 CROSSFADE_S SONG...\n");
        return 2;
    }
    try {
        const QStringList songs = args.mid(3);
        std::optional<LoudnessTarget> match;
        if (!qEnvironmentVariableIsEmpty("LOUDNESS"))
            match = LoudnessTarget {qEnvironmentVariable("LOUDNESS").toDouble()};
        MixPlanBuilder builder(int(songs.size()), args[2].toDouble(), match);
        for (int i = 0; i < songs.size(); ++i)
            builder.add(i, songs[i], measureSong(songs[i], nullptr, match.has_value()));
        MixSource mix(builder.plan(), nullptr);
        QFile out(args[1]);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(args[1]));
            return 1;
        }
        constexpr int64_t kBlock = 65536;
        std::vector<float> left(kBlock), right(kBlock), interleaved(2 * kBlock);
        for (int64_t remaining = mix.totalFrames(); remaining > 0;) {
            const int64_t n = std::min(remaining, kBlock);
            mix.render(left.data(), right.data(), n);
            for (int64_t i = 0; i < n; ++i) {
                interleaved[size_t(2 * i)] = left[size_t(i)];
                interleaved[size_t(2 * i + 1)] = right[size_t(i)];
            }
            const qint64 bytes = qint64(2 * n * int64_t(sizeof(float)));
            if (out.write(reinterpret_cast<const char*>(interleaved.data()), bytes) != bytes) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(args[1]));
                return 1;
            }
            remaining -= n;
        }
    } catch (const MediaError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
