// The main event loop's responsiveness while the queue renders three jobs of
// generated media, against the same loop idle (the peer, measured in the same
// run). A 10 ms timer's lateness is sampled; target: max < 50 ms.

#include "MainLoopLateness.h"
#include "TestTools.h"
#include "models/JobStore.h"
#include "services/FileService.h"
#include "services/JobService.h"
#include "services/NotificationService.h"
#include "services/SettingsService.h"
#include "services/ThermalService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

class FixedLevel : public ThermalSource {
public:
    int readLevel() override { return 0; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QList<QUrl> songs;
    for (int i = 0; i < 3; ++i) {
        const QString path = dir.filePath(QStringLiteral("song%1.wav").arg(i));
        if (!testtools::makeTone(path, 90, 300 + 100 * i))
            return 1;
        songs << QUrl::fromLocalFile(path);
    }
    QList<QUrl> clips;
    for (int i = 0; i < 3; ++i) {
        const QString path = dir.filePath(QStringLiteral("clip%1.mp4").arg(i));
        if (!testtools::makeClip(path, 3, 320, 240, 30, {"-c:v", "libx264", "-bf", "2"}))
            return 1;
        clips << QUrl::fromLocalFile(path);
    }

    auto store = JobStore::open(dir.filePath("jobs.sqlite")).valueOr(nullptr);
    if (!store)
        return 1;
    FileService files;
    SettingsService settings(files,
                             std::make_unique<QSettings>(dir.filePath("prefs.ini"), QSettings::IniFormat));
    ThermalService thermal(std::make_unique<FixedLevel>(), 0);
    bool finished = false;
    NotificationService notifier;
    notifier.setSink([&](const NotificationService::Notification&) { finished = true; });
    JobService service(*store, settings, thermal, files, notifier);

    const MainLoopLateness idle = sampleMainLoop([] { return false; }, 2000);

    QElapsedTimer renderClock;
    renderClock.start();
    for (const QUrl& clip : clips)
        service.addJob(clip, songs, QUrl::fromLocalFile(dir.path()));
    const MainLoopLateness busy = sampleMainLoop([&] { return finished; }, 300000);
    const double renderSeconds = renderClock.elapsed() / 1000.0;

    const int completed = store->fetchCount(JobFilters::completed).value_or(0);
    std::printf("jobs: 3 x %.0f s mix, rendered in %.2f s (completed %d)\n", 3 * 90.0 - 6, renderSeconds, completed);
    std::printf("idle loop:      p99 %.1f ms, max %.1f ms (%d samples)\n", idle.p99Ms, idle.maxMs, idle.samples);
    std::printf("while rendering: p99 %.1f ms, max %.1f ms (%d samples)\n", busy.p99Ms, busy.maxMs, busy.samples);
    std::printf("max lateness ratio rendering/idle: %.2f; target max < 50 ms: %s\n",
                idle.maxMs > 0 ? busy.maxMs / idle.maxMs : 0.0, busy.maxMs < 50 ? "met" : "MISSED");
    return completed == 3 ? 0 : 1;
}
