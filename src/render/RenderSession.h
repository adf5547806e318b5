#pragma once
// Renders a list of sources one after another on the remux engine, writes each
// tracklist beside its movie from the plan the render used, and reports the
// combined result. Everything here runs on the main thread's event loop; each
// render and its tracklist run on a thread of their own.

#include "render/ProgressPrinter.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <atomic>
#include <optional>

#include "services/RemuxError.h"

class QThread;

struct RenderItem {
    QString sourcePath;
    QList<QUrl> songs;
    QString outputPath;
    double crossfade = 0; // seconds; 0: the session's
};

class RenderSession : public QObject {
    Q_OBJECT
public:
    RenderSession(QList<RenderItem> items, double crossfade, ProgressPrinter& printer,
                  QObject* parent = nullptr);

    // Starts the first source; finished() follows the last one.
    void start();

    // Stops the running source at its next cancellation point and skips the
    // rest; finished() then reports kInterruptedExit.
    void interrupt();
    static constexpr int kInterruptedExit = 130;

    int failedCount() const { return m_failed; }

signals:
    // 0 when every source was rendered, 1 when any failed.
    void finished(int exitCode);

private:
    void startNext();
    void onRunEnded();
    void reportFailure(const QString& description);

    QList<RenderItem> m_items;
    double m_crossfade;
    ProgressPrinter& m_printer;
    int m_next = 0;
    int m_failed = 0;
    bool m_interrupted = false;
    // The running render; its result is read only after its thread ended.
    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel {false};
    std::optional<RemuxError> m_runError;
};
