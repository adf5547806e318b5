#include "QueueTestKit.h"


#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace {
QueueFixture* g_current = nullptr; // the fixture the free settle() waits for
}

// The engine half of a ScriptedRender, owned by the run under test.
class ScriptedEngine : public RenderEngine {
public:
    explicit ScriptedEngine(ScriptedRender* script) : m_script(script) { setReleased(false); }
    ~ScriptedEngine() override { setReleased(true); }

    Result<void> checkInputs(const QUrl&, const QString&) override { return {}; }

    void cancelRequested() override
    {
        ++m_script->cancelCalls;
        // Through the mutex, so a render between its check of the flag and
        // its wait cannot miss the wake-up.
        { std::lock_guard lock(m_script->m_mutex); }
        m_script->m_wake.notify_all();
    }

    Result<QString, RenderError> render(const RenderPipeline::Inputs& inputs, const lc::media::CancelToken* cancel,
                                       const RenderPipeline::UpdateSink& sink) override
    {
        ScriptedRender& s = *m_script;
        s.nice = threadNice();
        std::thread([&s] { s.childNice = threadNice(); }).join();
        std::unique_lock lock(s.m_mutex);
        for (;;) {
            s.m_waiting = true;
            s.m_wake.wait(lock, [&] { return !s.m_steps.empty() || (cancel->isCancelled() && s.endOnCancel); });
            s.m_waiting = false;
            if (s.m_steps.empty())
                return Failure(RenderError::cancelled());
            const ScriptedRender::Step step = s.m_steps.front();
            s.m_steps.pop_front();
            if (step.kind == ScriptedRender::Step::fail)
                return Failure(step.error);
            sink(step.fraction, step.kind == ScriptedRender::Step::finish ? QStringLiteral("Complete!") : step.message);
            if (step.kind == ScriptedRender::Step::finish) {
                QFile(inputs.outputURL.toLocalFile()).open(QIODevice::WriteOnly);
                return QStringLiteral("00:00 - song\n");
            }
        }
    }

private:
    void setReleased(bool released)
    {
        std::lock_guard lock(m_script->m_mutex);
        m_script->m_released = released;
    }
    ScriptedRender* m_script;
};

void ScriptedRender::push(Step step)
{
    {
        std::lock_guard lock(m_mutex);
        m_steps.push_back(std::move(step));
    }
    m_wake.notify_all();
}

bool ScriptedRender::isReleased() const
{
    std::lock_guard lock(m_mutex);
    return m_released;
}

bool ScriptedRender::isIdle() const
{
    std::lock_guard lock(m_mutex);
    return m_released || (m_waiting && m_steps.empty() && !(cancelCalls > 0 && endOnCancel));
}

QueueFixture::QueueFixture()
{
    g_current = this;
    auto opened = JobStore::open(dir.filePath(QStringLiteral("jobs.sqlite")));
    if (!opened)
        qFatal("cannot open the job store: %s", qPrintable(opened.error().text));
    store = std::move(*opened);
    settings = std::make_unique<SettingsService>(
        files,
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    thermal = std::make_unique<ThermalService>(std::make_unique<ScriptedThermalSource>(level), 0);
    timings.timer = clock.timer();
    timings.steadyMs = [this] { return clock.now(); };
    notifier.setSink([this](const NotificationService::Notification& n) { notifications.append(n); });
}

QueueFixture::~QueueFixture()
{
    g_current = nullptr;
    service.reset();
}

QUrl QueueFixture::sourceFile(const QString& name)
{
    const QString path = dir.filePath(name);
    if (!QFileInfo::exists(path))
        QFile(path).open(QIODevice::WriteOnly);
    return QUrl::fromLocalFile(path);
}

// Records made in one millisecond keep their insertion order in the store's
// oldest-first sort, so no pause between them is needed.
MixJob* QueueFixture::storeJob(const QString& name, JobStatus status, float progress)
{
    const QUrl source = sourceFile(name + QStringLiteral(".mov"));
    auto* job = new MixJob(source, {QUrl::fromLocalFile(dir.filePath(QStringLiteral("song.mp3")))},
                           files.createBookmark(source).value());
    job->setOutputPath(dir.filePath(name + QStringLiteral("_mix_1.mp4")));
    job->setStatus(status);
    job->setProgress(progress);
    store->insert(job);
    return job;
}

JobService& QueueFixture::start()
{
    const auto scripted = [this](const JobRenderRequest& request) {
        auto script = std::make_unique<ScriptedRender>();
        script->source = QUrl::fromLocalFile(request.videoPath);
        script->songs = request.songs;
        script->output = QUrl::fromLocalFile(request.outputPath);
        script->crossfade = request.crossfade;
        started << QFileInfo(request.videoPath).completeBaseName();
        auto engine = std::make_unique<ScriptedEngine>(script.get());
        runs.push_back(std::move(script));
        return engine;
    };
    service = std::make_unique<JobService>(*store, *settings, *thermal, files, notifier, scripted, timings);
    if (!QTest::qWaitFor([this] { return !service->isSweepingLeftovers(); }))
        qWarning("the start-up sweep did not finish");
    settle();
    return *service;
}

void QueueFixture::settle()
{
    QElapsedTimer waited;
    waited.start();
    int quiet = 0;
    // Idle twice in a row with the event queue drained in between: every
    // report posted before a run went idle has then been handled.
    while (quiet < 2 && waited.elapsed() < 5000) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        const bool idle = std::all_of(runs.begin(), runs.end(), [](const auto& r) { return r->isIdle(); });
        quiet = idle ? quiet + 1 : 0;
        if (!idle)
            QTest::qWait(1);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QueueFixture::setLevel(int l)
{
    *level = l;
    thermal->updateThermalState();
    settle();
}

MixJob* QueueFixture::job(const QString& name) const
{
    const auto all = store->fetch();
    for (MixJob* j : *all) {
        if (QFileInfo(j->videoPath()).completeBaseName() == name)
            return j;
    }
    return nullptr;
}

ScriptedRender* QueueFixture::workerFor(const QString& name) const
{
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        if (QFileInfo((*it)->source.toLocalFile()).completeBaseName() == name)
            return it->get();
    }
    return nullptr;
}

void settle()
{
    if (g_current)
        g_current->settle();
}

int threadNice()
{
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}
