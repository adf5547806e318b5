#pragma once
// The body of one render: builds the mix plan song by song, opens the
// video loop or still image, and muxes both packet streams into the output
// movie, written at outputURL itself (the caller's staging name) and removed
// again when the run fails or is cancelled. Runs on the worker's thread;
// everything it reports goes through the update sink, in order. Never throws:
// execute() fails with the error that ended the run, or succeeds after
// (1.0, "Complete!").

#include "models/Crossfade.h"
#include "models/MixOptions.h"
#include "media/audio/MixPlan.h"
#include "media/common/CancelToken.h"
#include "platform/Result.h"
#include "services/RenderError.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

namespace lc::media {
class MediaError;
class MixedAudioEncoder;
class MovieMuxer;
class VideoPacketSource;
}

class RenderPipeline {
public:
    struct Inputs {
        QUrl sourceURL;
        QList<QUrl> audioURLs;
        QUrl outputURL;
        double crossfadeDuration = crossfade::defaultSeconds;
        MixOptions mix;
        // Told the mix's length once its songs are measured, for the time
        // left (on the render's thread; may be empty).
        std::function<void(double seconds)> mixPlanned;
    };
    using UpdateSink = std::function<void(float fraction, const QString& message)>;

    RenderPipeline(Inputs inputs, const lc::media::CancelToken* cancel, UpdateSink sink);

    Result<void, RenderError> execute();

    // The mix plan the render used: where every inserted song starts. Valid
    // after a successful execute(); the tracklist is written from it, so its
    // times are the movie's own rather than re-measured ones.
    const lc::media::MixPlan& plan() const { return m_plan; }

    // The error a media failure ends a run with: a composition error as it
    // is, anything else as an export error in plain words. The failing call
    // and the library's own text go to the log only.
    static RenderError errorFor(const lc::media::MediaError& error);

    // "3.0" for 3, "2.5" for 2.5: the shortest text that reads back as the
    // same double, always with a digit after the point.
    static QString formatSeconds(double seconds);

private:
    void body();
    void planMix();
    std::unique_ptr<lc::media::VideoPacketSource> openSource();
    void exportMovie(lc::media::VideoPacketSource& video, lc::media::MixedAudioEncoder& audio,
                     lc::media::MovieMuxer& muxer);
    void yield(float fraction, const QString& message) const { m_sink(fraction, message); }

    Inputs m_in;
    const lc::media::CancelToken* m_cancel;
    UpdateSink m_sink;
    lc::media::MixPlan m_plan;
};
