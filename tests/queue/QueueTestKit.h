#pragma once
// Scripted collaborators for the queue's tests: a remux worker whose run the
// test drives, a thermal source whose level the test sets, and a fixture that
// owns a temporary store, settings and service.

#include "models/JobStore.h"
#include "models/MixJob.h"
#include "services/JobService.h"
#include "services/NotificationService.h"
#include "services/RemuxWorker.h"
#include "services/SettingsService.h"
#include "services/ThermalService.h"

#include <QPointer>
#include <QTemporaryDir>

#include <memory>

class FakeRemuxWorker : public RemuxWorker {
    Q_OBJECT
public:
    QUrl source;
    QList<QUrl> songs;
    QUrl output;
    double crossfade = -1;
    int cancelCalls = 0;
    bool endOnCancel = true; // a real worker ends with "cancelled" soon after cancel()
    QPointer<RemuxProgress> stream;
    std::function<void(FakeRemuxWorker*)> onRemux;

    RemuxProgress* remux(const QUrl& s, const QList<QUrl>& a, const QUrl& o, double c) override;
    void cancel() override;
    bool shouldCancel() const override { return cancelCalls > 0; }

    // Drive the run (signals reach the service like a real worker's, queued).
    void sendUpdate(float fraction, const QString& message);
    void finishRun();
    void failRun(const RemuxError& error);
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
    QList<QPointer<FakeRemuxWorker>> workers; // in creation order
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
    FakeRemuxWorker* workerFor(const QString& name) const; // latest run of that source
    int runningWorkers() const;               // alive and not cancelled
};

// Waits for queued deliveries to be handled.
void settle(int ms = 20);
