#include "services/RenderEngine.h"

#include "services/RenderPreflight.h"
#include "services/TracklistWriter.h"

namespace {

class MediaRenderEngine : public RenderEngine {
public:
    Result<void> checkInputs(const QUrl& source, const QString& outputPath) override
    {
        return RenderPreflight::check(source.toLocalFile(), outputPath);
    }

    Result<QString, RenderError> render(const RenderPipeline::Inputs& inputs, const lc::media::CancelToken* cancel,
                                       const RenderPipeline::UpdateSink& sink) override
    {
        RenderPipeline run(inputs, cancel, sink);
        if (const Result<void, RenderError> done = run.execute(); !done)
            return Failure(done.error());
        return TracklistWriter::tracklistText(run.plan(), inputs.mix.titlesFromTags);
    }
};

} // namespace

std::unique_ptr<RenderEngine> makeMediaRenderEngine()
{
    return std::make_unique<MediaRenderEngine>();
}
