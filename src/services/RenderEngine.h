#pragma once
// The media work of one job run, behind an interface so the queue's tests can
// script runs without media. Both calls run on the run's pool thread.

#include "platform/Result.h"
#include "services/RenderError.h"
#include "services/RenderPipeline.h"

#include <QString>
#include <QUrl>

#include <memory>

class RenderEngine {
public:
    virtual ~RenderEngine() = default;

    // The checks worth doing before any song is mixed: fails with the job's
    // status message when the run cannot go on.
    virtual Result<void> checkInputs(const QUrl& source, const QString& outputPath) = 0;

    // Renders the movie to inputs.outputURL (which must not exist afterwards
    // unless the render succeeded) and returns the tracklist's text for the
    // mix that was rendered.
    virtual Result<QString, RenderError> render(const RenderPipeline::Inputs& inputs, const lc::media::CancelToken* cancel,
                                               const RenderPipeline::UpdateSink& sink) = 0;

    // Called on the main thread when the run is cancelled, after the flag is
    // raised; an engine that waits on something can wake up here.
    virtual void cancelRequested() {}
};

// The real engine: the early checks, then RenderPipeline, then the tracklist from
// the plan the run used.
std::unique_ptr<RenderEngine> makeMediaRenderEngine();
