#pragma once
// The media work of one job run, behind an interface so the queue's tests can
// script runs without media. Both calls run on the run's pool thread.

#include "services/RemuxError.h"
#include "services/RemuxRun.h"

#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class RenderEngine {
public:
    virtual ~RenderEngine() = default;

    // The checks worth doing before any song is mixed: nothing when the run
    // may go on, else the job's status message.
    virtual std::optional<QString> checkInputs(const QUrl& source, const QString& outputPath) = 0;

    // Renders the movie to inputs.outputURL (which must not exist afterwards
    // unless the render succeeded). On success *tracklist holds the
    // tracklist's text for the mix that was rendered.
    virtual std::optional<RemuxError> render(const RemuxRun::Inputs& inputs,
                                             const lc::media::CancelToken* cancel,
                                             const RemuxRun::UpdateSink& sink, QString* tracklist) = 0;

    // Called on the main thread when the run is cancelled, after the flag is
    // raised; an engine that waits on something can wake up here.
    virtual void cancelRequested() {}
};

// The real engine: the early checks, then RemuxRun, then the tracklist from
// the plan the run used.
std::unique_ptr<RenderEngine> makeMediaRenderEngine();
