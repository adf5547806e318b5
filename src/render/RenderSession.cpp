#include "render/RenderSession.h"

#include "services/RemuxError.h"
#include "services/RemuxWorker.h"
#include "services/TracklistWriter.h"

#include <QFileInfo>
#include <QTimer>

#include <cstdio>

RenderSession::RenderSession(QList<RenderItem> items, double crossfade, ProgressPrinter& printer,
                             QObject* parent)
    : QObject(parent), m_items(std::move(items)), m_crossfade(crossfade), m_printer(printer)
{
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
    // Between runs a startNext() is always pending (or the tracklist's
    // completion will call it); it sees the flag. A run is told directly and
    // comes back through failed(cancelled).
    if (m_worker)
        m_worker->cancel();
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

    // The engine would report a missing source only after mixing every song;
    // checking first gives the answer at once.
    if (!QFileInfo(item.sourcePath).isFile()) {
        reportFailure(QStringLiteral("Cannot access video file"));
        ++m_next;
        QTimer::singleShot(0, this, &RenderSession::startNext);
        return;
    }

    m_worker = new RemuxWorker(this);
    RemuxProgress* progress = m_worker->remux(QUrl::fromLocalFile(item.sourcePath), item.songs,
                                              QUrl::fromLocalFile(item.outputPath), m_crossfade);
    connect(progress, &RemuxProgress::update, this,
            [this](float fraction, const QString& message) { m_printer.update(fraction, message); });
    connect(progress, &RemuxProgress::finished, this, &RenderSession::onRunFinished);
    connect(progress, &RemuxProgress::failed, this, &RenderSession::onRunFailed);
}

void RenderSession::onRunFinished()
{
    endRun();
    const RenderItem& item = m_items[m_next];
    m_printer.update(1.0f, QStringLiteral("Saving tracklist..."));
    const QUrl movie = QUrl::fromLocalFile(item.outputPath);
    TracklistWriter::writeTracklistAsync(item.songs, movie, m_crossfade, this, [this, movie] {
        m_printer.end();
        m_printer.line(QStringLiteral("Movie: ") + movie.toLocalFile());
        m_printer.line(QStringLiteral("Tracklist: ") + TracklistWriter::tracklistURL(movie).toLocalFile());
        ++m_next;
        startNext();
    });
}

void RenderSession::onRunFailed(const RemuxError& error)
{
    endRun();
    reportFailure(error.errorDescription());
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

void RenderSession::endRun()
{
    // Deleted from the event loop: the worker's stream is still emitting the
    // signal that brought us here.
    if (m_worker)
        m_worker->deleteLater();
    m_worker = nullptr;
}
