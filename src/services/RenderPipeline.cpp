#include "services/RenderPipeline.h"

#include "models/JobStatus.h"
#include "platform/ConsoleLine.h"
#include "services/ServicesLog.h"
#include "media/audio/MixPlan.h"
#include "media/audio/MixedAudioEncoder.h"
#include "media/audio/SongMeasure.h"
#include "media/audio/SongMeasureQueue.h"
#include "media/common/MediaError.h"
#include "media/mux/MovieMuxer.h"
#include "media/video/StillImageSource.h"
#include "media/video/VideoLoopSource.h"
#include "services/TracklistWriter.h"

#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

using namespace lc::media;

namespace {

constexpr int kVideoStream = 0;
constexpr int kAudioStream = 1;
constexpr int kMeasureThreads = 2;

int64_t decodeTimestamp(const AVPacket* pkt)
{
    return pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
}

// Throttles the export progress: every 100th audio packet, and in between
// only when the fraction grew by more than a point since the last update.
class ExportProgress {
public:
    ExportProgress(double totalSeconds, RenderPipeline::UpdateSink sink)
        : m_total(totalSeconds), m_sink(std::move(sink)) {}

    void audioPacketWritten(double seconds)
    {
        if (!std::isfinite(seconds))
            return;
        ++m_count;
        float p = std::min(float(seconds / m_total) * 0.65f + 0.3f, 0.95f);
        p = std::max(p, m_last);
        if (m_count % 100 == 0 || p - m_last > 0.01f) {
            m_sink(p, QString::fromLatin1(statusTemplate::remuxing).arg(int(p * 100)));
            m_last = p;
        }
    }

private:
    double m_total;
    RenderPipeline::UpdateSink m_sink;
    int64_t m_count = 0;
    float m_last = 0.3f;
};

} // namespace

RenderPipeline::RenderPipeline(Inputs inputs, const lc::media::CancelToken* cancel, UpdateSink sink)
    : m_in(std::move(inputs)), m_cancel(cancel), m_sink(std::move(sink))
{
}

QString RenderPipeline::formatSeconds(double seconds)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed);
    QString text = QString::fromLatin1(buf, int(res.ptr - buf));
    if (std::isfinite(seconds) && !text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

RenderError RenderPipeline::errorFor(const MediaError& error)
{
    if (dynamic_cast<const CompositionError*>(&error))
        return RenderError::compositionFailed(error.message());
    qCWarning(lcServices).noquote() << "Media error:" << error.message();
    return RenderError::exportFailed(plainCause(error));
}

Result<void, RenderError> RenderPipeline::execute()
{
    // Every media object of the run is a local of body(), so the unfinished
    // movie is removed and all access released before the error is reported.
    try {
        body();
        return {};
    } catch (const CancelledError&) {
        return Failure(RenderError::cancelled());
    } catch (const MediaError& e) {
        return Failure(errorFor(e));
    } catch (const std::exception& e) {
        qCWarning(lcServices) << "Remux failed:" << e.what();
        return Failure(RenderError::exportFailed(QStringLiteral("Unknown error")));
    } catch (...) {
        return Failure(RenderError::exportFailed(QStringLiteral("Unknown error")));
    }
}

void RenderPipeline::body()
{
    yield(0.0f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Preparing...")));
    yield(0.05f, QString::fromLatin1(statusTemplate::buildingMix)
                     .arg(formatSeconds(m_in.crossfadeDuration)));
    planMix();
    const MixPlan& plan = m_plan;
    if (plan.entries.isEmpty() || plan.total.seconds() <= 0)
        throw CompositionError(QStringLiteral("No valid audio files loaded"));
    if (m_in.mixPlanned)
        m_in.mixPlanned(plan.total.seconds());

    std::unique_ptr<VideoPacketSource> video = openSource();
    yield(0.3f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Composition ready, starting export...")));

    MixedAudioEncoder audio(plan, m_cancel);
    MovieMuxer muxer(m_in.outputURL.toLocalFile(), m_cancel);
    video->configureStream(muxer.addStream());
    AVStream* audioOut = muxer.addStream();
    checkAv(avcodec_parameters_copy(audioOut->codecpar, audio.codecParameters()),
            "avcodec_parameters_copy");
    audioOut->time_base = audio.timeBase();
    // One chapter per song, named and timed as its tracklist line.
    for (qsizetype i = 0; i < plan.entries.size(); ++i) {
        const MixEntry& e = plan.entries[i];
        const MediaTime end = i + 1 < plan.entries.size() ? plan.entries[i + 1].start : plan.total;
        muxer.addChapter(e.start.rescaled(kMixSampleRate), end.rescaled(kMixSampleRate),
                         AVRational {1, kMixSampleRate}, TracklistWriter::songTitle(e, m_in.mix.titlesFromTags));
    }
    muxer.writeHeader();
    yield(0.3f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Remuxing...")));
    exportMovie(*video, audio, muxer);

    yield(0.95f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Finalizing...")));
    muxer.finish();
    yield(1.0f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Complete!")));
}

// The songs are measured two at a time (both cores) and added in list order,
// so cancellation and progress happen between songs. Positions count skipped
// files too.
void RenderPipeline::planMix()
{
    const int n = int(m_in.audioURLs.size());
    QStringList paths;
    for (const QUrl& url : m_in.audioURLs)
        paths << url.toLocalFile();
    std::optional<LoudnessTarget> match;
    if (m_in.mix.loudnessTarget)
        match = LoudnessTarget {*m_in.mix.loudnessTarget, m_in.mix.truePeakCeiling};
    MixPlanBuilder builder(n, m_in.crossfadeDuration, match);
    SongMeasureQueue measured(paths, kMeasureThreads, m_cancel, match.has_value());
    for (int i = 0; i < n; ++i) {
        throwIfCancelled(m_cancel);
        // A song that cannot be opened or decoded is passed over like one
        // without audio, rather than failing the whole movie.
        SongMeasureQueue::Result r = measured.take(i);
        QString line;
        if (r.measurement) {
            line = builder.add(i, paths[i], *r.measurement);
        } else {
            qCWarning(lcServices).noquote() << r.error;
            line = builder.skip(paths[i], QStringLiteral("cannot be read"));
        }
        printConsoleLine(lcServices(), line);
        if (match && !builder.lastWasSkipped())
            printConsoleLine(lcServices(), loudnessLine(builder.plan().entries.last()));
        if (!builder.lastWasSkipped())
            yield((float(i + 1) * 0.15f) / float(n) + 0.05f, QString::fromLatin1(statusTemplate::mixingAudio).arg(i + 1).arg(n));
    }
    m_plan = builder.plan();
}

// A still image or a video loop, as long as the mix.
std::unique_ptr<VideoPacketSource> RenderPipeline::openSource()
{
    const QString sourcePath = m_in.sourceURL.toLocalFile();
    if (isStillImagePath(sourcePath)) {
        yield(0.2f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Preparing image...")));
        return openStillImage(sourcePath, m_plan.total, m_cancel);
    }
    yield(0.2f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Preparing video loop...")));
    return openVideoLoop(sourcePath, m_plan.total, m_cancel);
}

// The two packet streams interleaved by decode time, so the muxer's own
// interleaving queue stays short and memory bounded.
void RenderPipeline::exportMovie(VideoPacketSource& video, MixedAudioEncoder& audio, MovieMuxer& muxer)
{
    const AVRational videoTb = video.timeBase();
    const AVRational audioTb = audio.timeBase();
    PacketPtr vpkt = makePacket();
    PacketPtr apkt = makePacket();
    bool haveVideo = video.nextPacket(vpkt.get());
    bool haveAudio = audio.nextPacket(apkt.get());
    ExportProgress progress(m_plan.total.seconds(), m_sink);
    while (haveVideo || haveAudio) {
        const bool takeVideo = haveVideo
            && (!haveAudio
                || av_compare_ts(decodeTimestamp(vpkt.get()), videoTb, decodeTimestamp(apkt.get()), audioTb) <= 0);
        throwIfCancelled(m_cancel);
        if (takeVideo) {
            muxer.writePacket(vpkt.get(), kVideoStream, videoTb);
            av_packet_unref(vpkt.get());
            haveVideo = video.nextPacket(vpkt.get());
        } else {
            const double seconds = apkt->pts == AV_NOPTS_VALUE ? std::nan("") : double(apkt->pts) * av_q2d(audioTb);
            muxer.writePacket(apkt.get(), kAudioStream, audioTb);
            av_packet_unref(apkt.get());
            progress.audioPacketWritten(seconds);
            haveAudio = audio.nextPacket(apkt.get());
        }
    }
}
