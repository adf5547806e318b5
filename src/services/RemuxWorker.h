#pragma once
// RemuxWorker: one remux run (audio mix + looped video or held still image ->
// MP4) on a thread of its own. The caller (main thread) gets a RemuxProgress
// at once; every update reaches it through queued signals, in order, unbounded.
//
// Lifetime: destroying the worker raises the cancel flag and waits for the
// run thread, which stops at its next cancellation point. A run that was
// cancelled never renames its temporary file over the output.

#include "services/RemuxError.h"
#include "services/TaskPriority.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <atomic>
#include <memory>
#include <thread>

// The progress stream of one run. Lives on the main thread.
// Sequence: update()* then exactly one of finished() (after (1.0, "Complete!"))
// or failed(error); nothing follows either.
class RemuxProgress : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool isFinished() const { return m_finished; }

signals:
    void update(float fraction, const QString& message);
    void finished();
    void failed(const RemuxError& error);

private:
    friend class RemuxWorker;
    bool m_finished = false;
};

class RemuxWorker : public QObject {
    Q_OBJECT
public:
    explicit RemuxWorker(QObject* parent = nullptr);
    ~RemuxWorker() override;

    // Scheduling class of the run thread (and the threads it starts).
    void setPriority(TaskPriority priority) { m_priority = priority; }
    TaskPriority priority() const { return m_priority; }

    // Starts the run and returns its progress stream at once (owned by the worker;
    // parented to it). May be called once per worker.
    // Virtual so the queue's tests can script runs without media.
    virtual RemuxProgress* remux(const QUrl& sourceURL, const QList<QUrl>& audioURLs,
                                 const QUrl& outputURL, double crossfadeDuration);

    // Raises shouldCancel; the run stops at its next cancellation point and
    // ends with RemuxError::cancelled(). Safe to call at any time, from any
    // thread; a cancel issued before the run thread gets going is honoured
    // too (the run never clears the flag).
    virtual void cancel();
    virtual bool shouldCancel() const;

protected:
    // For subclasses that script a run: the stream object and its emitters.
    RemuxProgress* makeProgress();
    static void finish(RemuxProgress* p);                        // emits finished() once
    static void fail(RemuxProgress* p, const RemuxError& error); // emits failed() once

private:
    struct Shared;
    struct RunJob;
    static void runOnThisThread(std::unique_ptr<RunJob> job);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    TaskPriority m_priority = TaskPriority::userInitiated;
    QPointer<RemuxProgress> m_progress;
    bool m_started = false;
};
