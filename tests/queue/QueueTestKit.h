#pragma once
// Scripted collaborators for the queue's tests: renders the test drives step
// by step, a thermal level the test sets, a clock whose waits the test fires,
// and a fixture that owns a temporary store, settings and service.

#include "models/JobStore.h"
#include "models/MixJob.h"
#include "services/JobRender.h"
#include "services/FileService.h"
#include "services/JobService.h"
#include "services/NotificationService.h"
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

// Time that moves only when the test says; timers due by then fire in due
// order (ties: first set), each only while its context object lives.
class ManualClock {
public:
    SingleShotTimer timer()
    {
        return [this](int ms, QObject* context, std::function<void()> expire) {
            m_pending.push_back({m_now + ms, context, std::move(expire)});
        };
    }
    qint64 now() const { return m_now; }
    void advanceTo(qint64 ms)
    {
        for (;;) {
            const auto next = std::min_element(m_pending.begin(), m_pending.end(),
                                               [](const Pending& a, const Pending& b) { return a.due < b.due; });
            if (next == m_pending.end() || next->due > ms)
                break;
            const Pending fired = *next;
            m_pending.erase(next);
            m_now = fired.due;
            if (fired.context)
                fired.expire();
        }
        m_now = ms;
    }
    void advance(qint64 ms) { advanceTo(m_now + ms); }

private:
    struct Pending {
        qint64 due;
        QPointer<QObject> context;
        std::function<void()> expire;
    };
    qint64 m_now = 0;
    std::vector<Pending> m_pending;
};

// One scripted run. The fixture keeps it for the whole test, so a test may
// hold pointers to it after the run ended. Its engine side blocks on the
// run's pool thread until the test sends the next step or cancels the run.
class ScriptedRender {
public:
    QUrl source, output;
    QList<QUrl> songs;
    double crossfade = -1;
    std::atomic<int> nice {-100}, childNice {-100}; // of the render's thread and of a thread it starts
    std::atomic<int> cancelCalls {0};
    std::atomic<bool> endOnCancel {true}; // a real render ends soon after a cancel

    void sendUpdate(float fraction, const QString& message) { push({Step::update, fraction, message, {}}); }
    void finishRun() { push({Step::finish, 1.0f, {}, {}}); } // (1.0, "Complete!"), a staging movie, a tracklist
    void failRun(const RenderError& error) { push({Step::fail, 0, {}, error}); }

    bool isIdle() const; // waits for a step that was not sent, or is gone
    bool isReleased() const;

private:
    friend class ScriptedEngine;
    struct Step {
        enum Kind { update, finish, fail } kind;
        float fraction;
        QString message;
        RenderError error;
    };
    void push(Step step);
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Step> m_steps;
    bool m_waiting = false;
    bool m_released = true; // no engine yet, or its run was deleted
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
    ManualClock clock;
    FileService files;
    NotificationService notifier;
    std::unique_ptr<JobStore> store;
    std::unique_ptr<SettingsService> settings;
    std::shared_ptr<int> level = std::make_shared<int>(0);
    std::unique_ptr<ThermalService> thermal;
    std::unique_ptr<JobService> service;
    std::vector<std::unique_ptr<ScriptedRender>> runs; // in start order
    QStringList started; // source base names, in the order their runs started
    QList<NotificationService::Notification> notifications;
    JobServiceTimings timings; // the real durations, on the manual clock

    // An existing (empty) source file in the temp dir.
    QUrl sourceFile(const QString& name);
    // Stores a record directly (no scheduling); oldest first = call order.
    MixJob* storeJob(const QString& name, JobStatus status = JobStatus::pending, float progress = 0);
    JobService& start(); // creates the service (runs its first pass)
    void setLevel(int l);

    MixJob* job(const QString& name) const;               // by source base name
    ScriptedRender* workerFor(const QString& name) const; // latest run of that source
    // Lets queued reports arrive until every scripted run waits for its next
    // step or has ended and been dropped.
    void settle();
};

// Settles the current fixture's runs.
void settle();
// The nice value of the calling thread (Linux keeps one per thread).
int threadNice();
