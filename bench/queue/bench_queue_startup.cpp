// Start-up with a long history: 5,000 stored jobs whose movies and
// tracklists fill one output folder of 10,000 files, a few of them still
// waiting. Measures the time from opening the store to the window's first
// paint (offscreen when there is no display), the resident memory then, and
// the main loop's lateness (a 1 ms timer) while the waiting jobs render.
// Targets: window within 1 s, at most 150 MB resident, lateness p99 < 20 ms.

#include "MainLoopLateness.h"
#include "TestTools.h"
#include "app/AppDependencyContainer.h"
#include "app/LoopcasterApp.h"
#include "models/JobStore.h"
#include "services/FileService.h"
#include "services/NotificationService.h"
#include "viewmodels/ViewModelContainer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kStoredJobs = 5000;
constexpr int kWaitingJobs = 4;
constexpr int kFolderFiles = 10000;

class FixedLevel : public ThermalSource {
public:
    int readLevel() override { return 0; }
};

bool touch(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

// The finished jobs with their movie and tracklist, then the waiting ones,
// and unrelated files until the folder holds kFolderFiles.
bool buildHistory(const QString& storePath, const QString& out, const QUrl& clip, const QList<QUrl>& songs)
{
    auto store = JobStore::open(storePath).valueOr(nullptr);
    if (!store || !QDir().mkpath(out))
        return false;
    int files = 0;
    const std::optional<QByteArray> bookmark = FileService().createBookmark(clip).value();
    for (int i = 0; i < kStoredJobs; ++i) {
        auto* job = new MixJob(clip, songs, bookmark);
        const QString movie = QStringLiteral("%1/clip_mix_%2.mp4").arg(out).arg(1700000000 + i);
        job->setOutputPath(movie);
        if (i < kStoredJobs - kWaitingJobs) {
            job->setStatus(JobStatus::completed);
            job->setProgress(1.0f);
            job->setStatusMessage(QStringLiteral("Finished"));
            if (files + 2 <= kFolderFiles && touch(movie) && touch(QString(movie).replace(".mp4", ".txt")))
                files += 2;
        }
        store->insert(job);
    }
    for (; files < kFolderFiles; ++files) {
        if (!touch(QStringLiteral("%1/other %2.mov").arg(out).arg(files)))
            return false;
    }
    return store->save();
}

// VmRSS of this process, in MB.
double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    QApplication app(argc, argv);
    const QString clip = dir.filePath("clip.mp4");
    QList<QUrl> songs;
    for (int i = 0; i < 2; ++i) {
        songs << QUrl::fromLocalFile(dir.filePath(QStringLiteral("song%1.wav").arg(i)));
        if (!testtools::makeTone(songs.last().toLocalFile(), 20, 300 + 100 * i))
            return 2;
    }
    const QString storePath = dir.filePath("jobs.sqlite");
    if (!testtools::makeClip(clip, 2, 320, 240, 30, {"-c:v", "libx264"})
        || !buildHistory(storePath, dir.filePath("out"), QUrl::fromLocalFile(clip), songs)) {
        std::fprintf(stderr, "could not build the stored history\n");
        return 2;
    }
    bool queueFinished = false;

    const double rssBefore = residentMegabytes();
    QElapsedTimer clock;
    clock.start();
    AppDependencyContainer::Overrides overrides;
    overrides.settings = std::make_unique<QSettings>(dir.filePath("prefs.ini"), QSettings::IniFormat);
    overrides.thermalSource = std::make_unique<FixedLevel>();
    AppDependencyContainer container(JobStore::open(storePath).valueOr(nullptr), std::move(overrides));
    container.notificationService().setSink([&](const NotificationService::Notification&) { queueFinished = true; });
    const double servicesMs = clock.nsecsElapsed() / 1e6;
    double viewModelsMs = 0; // the view models alone, without their views (built again with the window)
    {
        QElapsedTimer own;
        own.start();
        ViewModelContainer viewModels(container.viewModelServices());
        viewModelsMs = own.nsecsElapsed() / 1e6;
    }
    const qint64 beforeWindow = clock.nsecsElapsed();
    LoopcasterApp shell(container);
    const double windowBuiltMs = (clock.nsecsElapsed() - beforeWindow) / 1e6;
    PaintWatch watch;
    shell.window()->installEventFilter(&watch);
    shell.showWindow();
    while (!watch.painted && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double paintMs = clock.nsecsElapsed() / 1e6;
    const double rss = residentMegabytes();

    const MainLoopLateness running = sampleMainLoop([&] { return queueFinished; }, 180000, 1);

    std::printf("stored jobs %d (%d waiting), output folder %d files\n", kStoredJobs, kWaitingJobs, kFolderFiles);
    std::printf("services ready %.0f ms; view models alone %.0f ms; window built in %.0f ms; first paint at %.0f ms "
                "(target < 1000): %s\n",
                servicesMs, viewModelsMs, windowBuiltMs, paintMs, paintMs < 1000 ? "met" : "MISSED");
    std::printf("resident memory %.0f MB (%.0f MB before start-up; target <= 150): %s\n", rss, rssBefore,
                rss <= 150 ? "met" : "MISSED");
    std::printf("while the queue ran: lateness p50 %.1f ms, p99 %.1f ms, max %.1f ms, %d samples (target p99 < 20): "
                "%s\n",
                running.p50Ms, running.p99Ms, running.maxMs, running.samples, running.p99Ms < 20 ? "met" : "MISSED");
    const JobStore& store = container.jobStore();
    std::printf("completed %lld of %lld\n", static_cast<long long>(store.fetch(JobFilters::completed)->size()),
                static_cast<long long>(store.fetch({})->size()));
    return watch.painted && queueFinished ? 0 : 1;
}
