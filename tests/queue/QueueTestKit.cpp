#include "QueueTestKit.h"

#include "services/FileService.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>

#include <algorithm>

namespace {
QueueFixture* g_current = nullptr; // the fixture the free settle() waits for
}

// The engine half of a ScriptedRender, owned by the run under test.
class ScriptedEngine : public RenderEngine {
public:
    explicit ScriptedEngine(ScriptedRender* script) : m_script(script)
    {
        std::lock_guard lock(m_script->m_mutex);
        m_script->m_released = false;
    }
    ~ScriptedEngine() override
    {
        std::lock_guard lock(m_script->m_mutex);
        m_script->m_released = true;
    }

    std::optional<QString> checkInputs(const QUrl&, const QString&) override { return std::nullopt; }

    void cancelRequested() override
    {
        ++m_script->cancelCalls;
        // Through the mutex, so a render between its check of the flag and
        // its wait cannot miss the wake-up.
        { std::lock_guard lock(m_script->m_mutex); }
        m_script->m_wake.notify_all();
    }

    std::optional<RemuxError> render(const RemuxRun::Inputs& inputs, const std::atomic<bool>* cancel,
                                     const RemuxRun::UpdateSink& sink, QString* tracklist) override
    {
        ScriptedRender& s = *m_script;
        std::unique_lock lock(s.m_mutex);
        s.m_renderedSource = inputs.sourceURL;
        for (;;) {
            const auto cancelEnds = [&] { return cancel->load() && s.endOnCancel.load(); };
            s.m_waiting = true;
            s.m_wake.wait(lock, [&] { return !s.m_steps.empty() || cancelEnds(); });
            s.m_waiting = false;
            if (s.m_steps.empty())
                return RemuxError::cancelled();
            const ScriptedRender::Step step = s.m_steps.front();
            s.m_steps.pop_front();
            switch (step.kind) {
            case ScriptedRender::Step::update:
                sink(step.fraction, step.message);
                break;
            case ScriptedRender::Step::finish: {
                sink(1.0f, QStringLiteral("Complete!"));
                QFile movie(inputs.outputURL.toLocalFile());
                movie.open(QIODevice::WriteOnly);
                *tracklist = QStringLiteral("00:00 - song\n");
                return std::nullopt;
            }
            case ScriptedRender::Step::fail:
                return step.error;
            }
        }
    }

private:
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

void ScriptedRender::sendUpdate(float fraction, const QString& message)
{
    push({Step::update, fraction, message, {}});
}

void ScriptedRender::finishRun()
{
    push({Step::finish, 1.0f, {}, {}});
}

void ScriptedRender::failRun(const RemuxError& error)
{
    push({Step::fail, 0, {}, error});
}

QUrl ScriptedRender::rendered() const
{
    std::lock_guard lock(m_mutex);
    return m_renderedSource;
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
    QString error;
    store = JobStore::open(dir.filePath(QStringLiteral("jobs.sqlite")), &error);
    if (!store)
        qFatal("cannot open the job store: %s", qPrintable(error));
    settings = std::make_unique<SettingsService>(
        FileService::shared(),
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    thermal = std::make_unique<ThermalService>(std::make_unique<ScriptedThermalSource>(level), 0);
    NotificationService::shared().setSink(
        [this](const NotificationService::Notification& n) { notifications.append(n); });
}

QueueFixture::~QueueFixture()
{
    g_current = nullptr;
    service.reset();
    NotificationService::shared().setSink({});
}

QUrl QueueFixture::sourceFile(const QString& name)
{
    const QString path = dir.filePath(name);
    if (!QFileInfo::exists(path)) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
    }
    return QUrl::fromLocalFile(path);
}

MixJob* QueueFixture::storeJob(const QString& name, JobStatus status, float progress)
{
    QTest::qSleep(3); // distinct createdAt, so "oldest first" is well defined
    auto* job = new MixJob(sourceFile(name + QStringLiteral(".mov")),
                           {QUrl::fromLocalFile(dir.filePath(QStringLiteral("song.mp3")))});
    job->setOutputPath(dir.filePath(name + QStringLiteral("_mix_1.mp4")));
    job->setStatus(status);
    job->setProgress(progress);
    store->insert(job);
    return job;
}

JobService& QueueFixture::start()
{
    service = std::make_unique<JobService>(
        *store, *settings, *thermal,
        [this](const JobRenderRequest& request) {
            auto script = std::make_unique<ScriptedRender>();
            script->source = QUrl::fromLocalFile(request.videoPath);
            script->songs = request.songs;
            script->output = QUrl::fromLocalFile(request.outputPath);
            script->crossfade = request.crossfade;
            script->runPriority = request.priority;
            started << QFileInfo(request.videoPath).completeBaseName();
            auto engine = std::make_unique<ScriptedEngine>(script.get());
            runs.push_back(std::move(script));
            return engine;
        },
        timings);
    settle();
    return *service;
}

void QueueFixture::settle()
{
    QTest::qWait(5);
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
            QTest::qWait(2);
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

int QueueFixture::runningWorkers() const
{
    int n = 0;
    for (const auto& r : runs)
        n += (!r->isReleased() && r->cancelCalls == 0) ? 1 : 0;
    return n;
}

void settle(int ms)
{
    if (g_current)
        g_current->settle();
    QTest::qWait(ms);
}
