#include "services/JobRender.h"

#include "platform/ThreadPriority.h"
#include "services/FileService.h"
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
    if (m_request.videoBookmark) {
        if (auto url = FileService::shared().resolveBookmark(*m_request.videoBookmark))
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
        return failed(QStringLiteral("Cannot access video file"));
    if (m_request.outputPath.isEmpty())
        return failed(QStringLiteral("Invalid output path"));

    const QString moviePath = m_request.outputPath;
    ScopedAccess folderAccess(QUrl::fromLocalFile(QFileInfo(moviePath).absolutePath()));
    if (auto problem = m_engine->checkInputs(*source, moviePath))
        return failed(*problem);
    if (isCancelled())
        return cancelled;

    const QString staging = OutputFiles::stagingPathFor(moviePath);
    QString tracklist;
    const std::optional<RemuxError> error = m_engine->render(
        RemuxRun::Inputs {*source, m_request.songs, QUrl::fromLocalFile(staging), m_request.crossfade},
        &m_cancel, [this](float f, const QString& m) { report(f, m); }, &tracklist);
    if (isCancelled()) {
        QFile::remove(staging);
        return cancelled;
    }
    if (error) {
        QFile::remove(staging);
        return failed(error->localizedDescription());
    }

    report(1.0f, QStringLiteral("Saving tracklist..."));
    const OutputFiles::CommitResult commit =
        OutputFiles::commit(staging, moviePath, tracklist, m_request.reservedPaths);
    if (!commit.error.isEmpty())
        return failed(commit.error);
    return {Kind::completed, {}, commit.moviePath};
}
