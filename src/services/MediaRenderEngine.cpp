#include "services/RenderEngine.h"

#include "services/RunPreflight.h"
#include "services/TracklistWriter.h"

namespace {

class MediaRenderEngine : public RenderEngine {
public:
    std::optional<QString> checkInputs(const QUrl& source, const QString& outputPath) override
    {
        return RunPreflight::check(source.toLocalFile(), outputPath);
    }

    std::optional<RemuxError> render(const RemuxRun::Inputs& inputs, const lc::media::CancelToken* cancel,
                                     const RemuxRun::UpdateSink& sink, QString* tracklist) override
    {
        RemuxRun run(inputs, cancel, sink);
        std::optional<RemuxError> error = run.execute();
        if (!error)
            *tracklist = TracklistWriter::tracklistText(run.plan());
        return error;
    }
};

} // namespace

std::unique_ptr<RenderEngine> makeMediaRenderEngine()
{
    return std::make_unique<MediaRenderEngine>();
}
