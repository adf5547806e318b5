#pragma once
// Renders a list of sources one after another, each as the same run the job
// queue uses (early checks, render, movie and tracklist committed without
// replacing a file), and reports the combined result. Everything here runs on
// the main thread's event loop; media work happens on the session's thread.

#include "models/Crossfade.h"
#include "models/MixOptions.h"
#include "render/ProgressPrinter.h"
#include "services/JobRender.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <QUrl>

struct RenderItem {
    QString sourcePath;
    QList<QUrl> songs;
    QString outputPath;
    double crossfade = crossfade::defaultSeconds; // seconds; 0 plays the songs back to back
    MixOptions mix;
};

class RenderSession : public QObject {
    Q_OBJECT
public:
    RenderSession(QList<RenderItem> items, ProgressPrinter& printer, QObject* parent = nullptr);
    ~RenderSession() override;

    // Starts the first source; finished() follows the last one.
    void start();

    // Stops the running source at its next cancellation point and skips the
    // rest; finished() then reports kInterruptedExit.
    void interrupt();
    static constexpr int kInterruptedExit = 130;

signals:
    // 0 when every source was rendered, 1 when any failed.
    void finished(int exitCode);

private:
    void startNext();
    void onRunEnded(JobRender* render, const JobRenderOutcome& outcome);
    void reportFailure(const QString& description);

    QList<RenderItem> m_items;
    ProgressPrinter& m_printer;
    int m_next = 0;
    int m_failed = 0;
    bool m_interrupted = false;
    QThreadPool m_pool;
    JobRender* m_render = nullptr;
};
