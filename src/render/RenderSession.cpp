#include "render/RenderSession.h"

#include "services/RenderError.h"
#include "services/TracklistWriter.h"

#include <QTimer>

#include <cstdio>

RenderSession::RenderSession(QList<RenderItem> items, ProgressPrinter& printer, QObject* parent)
    : QObject(parent), m_items(std::move(items)), m_printer(printer)
{
    m_pool.setMaxThreadCount(1);
}

// finished() comes only after the last run's ended(), so a session that ran
// to its end (or was interrupted: the run unwinds and ends first) has an idle
// pool here. One destroyed mid-run has its run stopped, and the pool's own
// destructor joins it before the run's parent goes.
RenderSession::~RenderSession()
{
    if (m_render)
        m_render->cancel();
}

void RenderSession::start()
{
    // From the event loop, so a caller may connect finished() after start().
    QTimer::singleShot(0, this, &RenderSession::startNext);
}

void RenderSession::interrupt()
{
    if (m_interrupted)
        return;
    m_interrupted = true;
    // Between runs a startNext() is always pending; it sees the flag. A run
    // is told directly and comes back through its cancelled outcome.
    if (m_render)
        m_render->cancel();
}

void RenderSession::startNext()
{
    if (m_interrupted || m_next >= m_items.size()) {
        m_printer.end();
        emit finished(m_interrupted ? kInterruptedExit : m_failed == 0 ? 0 : 1);
        return;
    }
    const RenderItem& item = m_items[m_next];
    m_printer.begin(m_next, int(m_items.size()), item.sourcePath);

    // The same run as the job queue's: early checks, render, and a commit
    // that never replaces a file already there.
    JobRenderRequest request;
    request.videoPath = item.sourcePath;
    request.outputPath = item.outputPath;
    request.songs = item.songs;
    request.crossfade = item.crossfade;
    request.mix = item.mix;
    for (const RenderItem& other : std::as_const(m_items)) {
        if (&other != &item)
            request.reservedPaths.insert(other.outputPath);
    }
    m_render = new JobRender(request, makeMediaRenderEngine(), this);
    connect(m_render, &JobRender::progressed, this,
            [this](float fraction, const QString& message) { m_printer.update(fraction, message); });
    connect(m_render, &JobRender::mixPlanned, this, [this](double seconds) { m_printer.mixPlanned(seconds); });
    connect(m_render, &JobRender::ended, this, &RenderSession::onRunEnded);
    m_pool.start(m_render);
}

void RenderSession::onRunEnded(JobRender* render, const JobRenderOutcome& outcome)
{
    render->deleteLater();
    m_render = nullptr;
    m_printer.finish(outcome.kind == JobRenderOutcome::Kind::completed);
    switch (outcome.kind) {
    case JobRenderOutcome::Kind::completed: {
        m_printer.line(QStringLiteral("Movie: ") + outcome.moviePath);
        m_printer.line(QStringLiteral("Tracklist: ")
                       + TracklistWriter::tracklistURL(QUrl::fromLocalFile(outcome.moviePath)).toLocalFile());
        break;
    }
    case JobRenderOutcome::Kind::failed:
        reportFailure(outcome.message);
        break;
    case JobRenderOutcome::Kind::cancelled:
        reportFailure(RenderError::cancelled().errorDescription());
        m_interrupted = true;
        break;
    }
    ++m_next;
    startNext();
}

void RenderSession::reportFailure(const QString& description)
{
    ++m_failed;
    m_printer.end();
    const QString text = QStringLiteral("error: %1: %2\n").arg(m_items[m_next].sourcePath, description);
    std::fflush(stdout);
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}
