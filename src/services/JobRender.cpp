#include "services/JobRender.h"

#include "platform/ThreadPriority.h"
#include "services/OutputFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

JobRender::JobRender(JobRenderRequest request, std::unique_ptr<RenderEngine> engine, QObject* parent)
    : QObject(parent), m_request(std::move(request)), m_engine(std::move(engine))
{
    setAutoDelete(false); // the job service deletes it after the outcome
    qRegisterMetaType<JobRenderOutcome>();
}

JobRender::~JobRender() = default;

void JobRender::cancel()
{
    if (!m_cancel.cancel())
        return;
    m_engine->cancelRequested();
}

void JobRender::report(float fraction, const QString& message)
{
    QMetaObject::invokeMethod(
        this,
        [this, fraction, message] {
            if (!isCancelled())
                emit progressed(fraction, message);
        },
        Qt::QueuedConnection);
}

void JobRender::run()
{
    ThreadPriority::applyToCurrentThread(m_request.priority);
    const JobRenderOutcome outcome = execute();
    QMetaObject::invokeMethod(
        this, [this, outcome] { emit ended(this, outcome); }, Qt::QueuedConnection);
}

// A bookmark that no longer resolves falls back to the recorded path.
std::optional<QUrl> JobRender::resolveSource() const
{
    if (m_request.videoBookmark && m_request.resolveBookmark) {
        if (auto url = m_request.resolveBookmark(*m_request.videoBookmark))
            return url;
    }
    if (!m_request.videoPath.isEmpty() && QFileInfo::exists(m_request.videoPath))
        return QUrl::fromLocalFile(m_request.videoPath);
    return std::nullopt;
}

JobRenderOutcome JobRender::execute()
{
    using Kind = JobRenderOutcome::Kind;
    const auto failed = [](const QString& message) { return JobRenderOutcome {Kind::failed, message, {}}; };
    const JobRenderOutcome cancelled {Kind::cancelled, {}, {}};
    if (isCancelled())
        return cancelled;

    const std::optional<QUrl> source = resolveSource();
    if (!source)
        return failed(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Cannot access video file")));
    if (m_request.outputPath.isEmpty())
        return failed(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Invalid output path")));

    const QString moviePath = m_request.outputPath;
    if (const Result<void> inputs = m_engine->checkInputs(*source, moviePath); !inputs)
        return failed(inputs.error());
    if (isCancelled())
        return cancelled;

    const QString staging = OutputFiles::stagingPathFor(moviePath);
    const Result<QString, RenderError> tracklist = m_engine->render(
        RenderPipeline::Inputs {*source, m_request.songs, QUrl::fromLocalFile(staging), m_request.crossfade,
                                m_request.mix,
                                [this](double seconds) {
                                    QMetaObject::invokeMethod(this, [this, seconds] { emit mixPlanned(seconds); },
                                                              Qt::QueuedConnection);
                                }},
        &m_cancel, [this](float f, const QString& m) { report(f, m); });
    if (isCancelled()) {
        QFile::remove(staging);
        return cancelled;
    }
    if (!tracklist) {
        QFile::remove(staging);
        // The hidden staging name means nothing to the user; the movie's does.
        return failed(tracklist.error().errorDescription().replace(QFileInfo(staging).fileName(),
                                                                        QFileInfo(moviePath).fileName()));
    }

    report(1.0f, QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Saving tracklist...")));
    const Result<QString> movie = OutputFiles::commit(staging, moviePath, *tracklist, m_request.reservedPaths);
    if (!movie)
        return failed(movie.error());
    return {Kind::completed, {}, *movie};
}
