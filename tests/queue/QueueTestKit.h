#pragma once
// Scripted collaborators for the queue's tests: a remux worker whose run the
// test drives, a thermal source whose level the test sets, and a fixture that
// owns a temporary store, settings and service.

#include "models/JobStore.h"
#include "models/MixJob.h"
#include "services/JobService.h"
#include "services/NotificationService.h"
#include "services/JobRender.h"
#include "services/SettingsService.h"
#include "services/ThermalService.h"

#include <QPointer>
#include <QTemporaryDir>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// One scripted run, driven by the test from the main thread. The fixture owns
// it for the whole test, so a test may keep pointers to it after the run
// ended. Its engine side blocks on the run's pool thread until the test sends
// the next step or the run is cancelled.
class ScriptedRender : public QObject {
    Q_OBJECT
public:
    QUrl source;
    QList<QUrl> songs;
    QUrl output;                 // the movie path the job asked for
    double crossfade = -1;
    TaskPriority runPriority = TaskPriority::userInitiated;
    std::atomic<int> cancelCalls {0};
    std::atomic<bool> endOnCancel {true}; // a real render ends soon after a cancel
    TaskPriority priority() const { return runPriority; }

    void sendUpdate(float fraction, const QString& message);
    void finishRun();            // (1.0, "Complete!"), then a staging movie is committed
    void failRun(const RemuxError& error);

    // The engine side is waiting for a step that was not sent, or is gone.
    bool isIdle() const;
    bool isReleased() const;
    QUrl rendered() const;       // the source the render was given (empty until it starts)

private:
    friend class ScriptedEngine;
    struct Step {
        enum Kind { update, finish, fail } kind;
        float fraction = 0;
        QString message;
        RemuxError error;
    };
    void push(Step step);
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Step> m_steps;
    bool m_waiting = false;
    bool m_released = true;
    QUrl m_renderedSource; // no engine yet, or its run was deleted
};

class ScriptedThermalSource : public ThermalSource {
public:
    explicit ScriptedThermalSource(std::shared_ptr<int> level) : m_level(std::move(level)) {}
    int readLevel() override { return *m_level; }

private:
    std::shared_ptr<int> m_level;
};

class QueueFixture {
public:
    QueueFixture();
    ~QueueFixture();

    QTemporaryDir dir;
    std::unique_ptr<JobStore> store;
    std::unique_ptr<SettingsService> settings;
    std::shared_ptr<int> level = std::make_shared<int>(0);
    std::unique_ptr<ThermalService> thermal;
    std::unique_ptr<JobService> service;
    std::vector<std::unique_ptr<ScriptedRender>> runs; // in start order
    QStringList started; // source base names, in the order their runs started
    QList<NotificationService::Notification> notifications;
    JobServiceTimings timings {/*coolDownMs*/ 150, /*heatRecheckMs*/ 150, /*unwindHoldMs*/ 5000, {}};

    // An existing (empty) source file in the temp dir.
    QUrl sourceFile(const QString& name);
    // Stores a record directly (no scheduling); createdAt order = call order.
    MixJob* storeJob(const QString& name, JobStatus status = JobStatus::pending, float progress = 0);
    JobService& start(); // creates the service (runs its first pass)
    void setLevel(int l);

    MixJob* job(const QString& name) const; // by source base name
    ScriptedRender* workerFor(const QString& name) const; // latest run of that source
    int runningWorkers() const;               // started and not cancelled
    // Lets queued reports arrive until every scripted run waits for its next
    // step or has ended and been dropped.
    void settle();
};

// Settles the current fixture's runs, then waits `ms` more.
void settle(int ms = 0);
