#include "services/RenderEngine.h"

#include "services/RunPreflight.h"
#include "services/TracklistWriter.h"

namespace {

class MediaRenderEngine : public RenderEngine {
public:
    Result<void> checkInputs(const QUrl& source, const QString& outputPath) override
    {
        return RunPreflight::check(source.toLocalFile(), outputPath);
    }

    Result<QString, RemuxError> render(const RemuxRun::Inputs& inputs, const lc::media::CancelToken* cancel,
                                       const RemuxRun::UpdateSink& sink) override
    {
        RemuxRun run(inputs, cancel, sink);
        if (const Result<void, RemuxError> done = run.execute(); !done)
            return Failure(done.error());
        return TracklistWriter::tracklistText(run.plan());
    }
};

} // namespace

std::unique_ptr<RenderEngine> makeMediaRenderEngine()
{
    return std::make_unique<MediaRenderEngine>();
}
