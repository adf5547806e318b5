#pragma once
// JobRender: one run of one job, whole: resolve the source, check the inputs,
// render to a hidden staging movie, commit movie and tracklist under a name
// that replaces nothing. Runs on the job service's thread pool; progress and
// the one outcome reach the main thread as queued signals. Cancelling raises
// the run's cancel token, which the render checks between steps and which
// wakes its waits and blocked reads; a cancelled run removes its staging
// movie and commits nothing.

#include "models/Crossfade.h"
#include "models/MixOptions.h"
#include "services/RenderEngine.h"
#include "platform/RenderPriority.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QRunnable>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

// Finds a bookmarked file again; nothing when it cannot. Called on the run's
// pool thread.
using BookmarkResolver = std::function<std::optional<QUrl>(const QByteArray& bookmark)>;

struct JobRenderRequest {
    QUuid jobId;
    std::optional<QByteArray> videoBookmark;
    BookmarkResolver resolveBookmark; // needed only with a bookmark
    QString videoPath;
    QString outputPath;            // empty when the record has none
    QList<QUrl> songs;
    double crossfade = crossfade::defaultSeconds;
    MixOptions mix;
    RenderPriority priority = RenderPriority::userInitiated;
    QSet<QString> reservedPaths;   // other jobs' movies: the commit never takes these names
};

struct JobRenderOutcome {
    enum class Kind { completed, failed, cancelled };
    Kind kind = Kind::cancelled;
    QString message;               // failed: the job's status message
    QString moviePath;             // completed: where the movie was committed
};
Q_DECLARE_METATYPE(JobRenderOutcome)

class JobRender : public QObject, public QRunnable {
    Q_OBJECT
public:
    JobRender(JobRenderRequest request, std::unique_ptr<RenderEngine> engine, QObject* parent = nullptr);
    ~JobRender() override;

    QUuid jobId() const { return m_request.jobId; }
    QString outputPath() const { return m_request.outputPath; }

    // Main thread. The flag is seen at the render's next check.
    void cancel();
    bool isCancelled() const { return m_cancel.isCancelled(); }

    // The pool thread's part. Touches nothing of this object after posting
    // the outcome, so the owner may delete it once ended() arrived.
    void run() override;

signals:
    void progressed(float fraction, const QString& message);
    void mixPlanned(double seconds); // the mix's length, once its songs are measured
    void ended(JobRender* render, const JobRenderOutcome& outcome); // exactly once

private:
    JobRenderOutcome execute();
    std::optional<QUrl> resolveSource() const;
    void report(float fraction, const QString& message);

    const JobRenderRequest m_request;
    std::unique_ptr<RenderEngine> m_engine;
    lc::media::CancelToken m_cancel;
};
