#include "QueueTestKit.h"

#include "services/FileService.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QTimer>

RemuxProgress* FakeRemuxWorker::remux(const QUrl& s, const QList<QUrl>& a, const QUrl& o, double c)
{
    source = s;
    songs = a;
    output = o;
    crossfade = c;
    stream = makeProgress();
    if (onRemux)
        onRemux(this);
    return stream;
}

void FakeRemuxWorker::cancel()
{
    ++cancelCalls;
    if (endOnCancel && stream)
        failRun(RemuxError::cancelled());
}

void FakeRemuxWorker::sendUpdate(float fraction, const QString& message)
{
    QPointer<RemuxProgress> p = stream;
    QTimer::singleShot(0, p, [p, fraction, message] { emit p->update(fraction, message); });
}

void FakeRemuxWorker::finishRun()
{
    QPointer<RemuxProgress> p = stream;
    QTimer::singleShot(0, p, [p] {
        emit p->update(1.0f, QStringLiteral("Complete!"));
        finish(p);
    });
}

void FakeRemuxWorker::failRun(const RemuxError& error)
{
    QPointer<RemuxProgress> p = stream;
    QTimer::singleShot(0, p, [p, error] { fail(p, error); });
}

QueueFixture::QueueFixture()
{
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
        [this] {
            auto w = std::make_unique<FakeRemuxWorker>();
            workers.append(w.get());
            w->onRemux = [this](FakeRemuxWorker* self) {
                started << QFileInfo(self->source.toLocalFile()).completeBaseName();
            };
            return std::unique_ptr<RemuxWorker>(std::move(w));
        },
        timings);
    settle();
    return *service;
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

FakeRemuxWorker* QueueFixture::workerFor(const QString& name) const
{
    for (auto it = workers.rbegin(); it != workers.rend(); ++it) {
        if (*it && QFileInfo((*it)->source.toLocalFile()).completeBaseName() == name)
            return *it;
    }
    return nullptr;
}

int QueueFixture::runningWorkers() const
{
    int n = 0;
    for (const auto& w : workers)
        n += (w && w->stream && w->cancelCalls == 0) ? 1 : 0;
    return n;
}

void settle(int ms)
{
    QTest::qWait(ms);
}
