#include "render/RenderSession.h"

#include "services/RemuxRun.h"
#include "services/TracklistWriter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
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
    m_cancel.store(true);
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

    RemuxRun::Inputs inputs {QUrl::fromLocalFile(item.sourcePath), item.songs,
                             QUrl::fromLocalFile(item.outputPath),
                             item.crossfade > 0 ? item.crossfade : m_crossfade};
    m_runError.reset();
    m_thread = QThread::create([this, inputs = std::move(inputs)]() mutable {
        const QUrl movie = inputs.outputURL;
        RemuxRun run(std::move(inputs), &m_cancel, [this](float fraction, const QString& message) {
            QMetaObject::invokeMethod(
                this, [this, fraction, message] { m_printer.update(fraction, message); },
                Qt::QueuedConnection);
        });
        m_runError = run.execute();
        if (m_runError)
            return;
        QMetaObject::invokeMethod(
            this, [this] { m_printer.update(1.0f, QStringLiteral("Saving tracklist...")); },
            Qt::QueuedConnection);
        QSaveFile file(TracklistWriter::tracklistURL(movie).toLocalFile());
        if (file.open(QIODevice::WriteOnly)) {
            file.write(TracklistWriter::tracklistText(run.plan()).toUtf8());
            file.commit(); // a failed write leaves any earlier tracklist untouched
        }
    });
    // The session outlives every run: it finishes only after this signal.
    connect(m_thread, &QThread::finished, this, &RenderSession::onRunEnded);
    m_thread->start();
}

void RenderSession::onRunEnded()
{
    m_thread->deleteLater();
    m_thread = nullptr;
    if (m_runError) {
        reportFailure(m_runError->errorDescription());
    } else {
        const QString movie = m_items[m_next].outputPath;
        m_printer.end();
        m_printer.line(QStringLiteral("Movie: ") + movie);
        m_printer.line(QStringLiteral("Tracklist: ")
                       + TracklistWriter::tracklistURL(QUrl::fromLocalFile(movie)).toLocalFile());
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
