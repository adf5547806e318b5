// Three clip jobs at once through the job service, as the queue runs them at
// the nominal thermal level: total wall time, CPU over wall, the process's
// peak RSS (target: under 200 MB per job) and the main loop's lateness.
// Prints one line of key=value figures for run.sh to summarise.
//
//   bench_three_jobs --crossfade S --out DIR --song FILE... CLIP CLIP CLIP

#include "MainLoopLateness.h"
#include "ProcessCpu.h"
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

#include <cstdio>
#include <limits>

#include <sys/resource.h>

namespace {

class NominalLevel : public ThermalSource {
public:
    int readLevel() override { return 0; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QList<QUrl> songs, clips;
    QString out;
    double crossfade = 3;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--song" && i + 1 < args.size())
            songs << QUrl::fromLocalFile(args[++i]);
        else if (args[i] == "--out" && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == "--crossfade" && i + 1 < args.size())
            crossfade = args[++i].toDouble();
        else
            clips << QUrl::fromLocalFile(args[i]);
    }
    if (songs.isEmpty() || clips.isEmpty() || out.isEmpty()) {
        std::fprintf(stderr, "usage: bench_three_jobs --crossfade S --out DIR --song FILE... CLIP...\n");
        return 2;
    }

    QTemporaryDir state;
    auto opened = JobStore::open(state.filePath("jobs.sqlite"));
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error().text));
        return 1;
    }
    std::unique_ptr<JobStore> store = std::move(*opened);
    FileService files;
    SettingsService settings(files,
                             std::make_unique<QSettings>(state.filePath("prefs.ini"), QSettings::IniFormat));
    settings.setCrossfadeDuration(crossfade);
    ThermalService thermal(std::make_unique<NominalLevel>(), 0);
    bool finished = false;
    NotificationService notifier;
    notifier.setSink([&](const NotificationService::Notification&) { finished = true; });
    JobService service(*store, settings, thermal, files, notifier);

    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = processCpuSeconds();
    for (const QUrl& clip : clips)
        service.addJob(clip, songs, QUrl::fromLocalFile(out));
    // The main loop's lateness while the jobs run (no limit but their end).
    const MainLoopLateness late = sampleMainLoop([&] { return finished; }, std::numeric_limits<int>::max());
    const double wall = clock.elapsed() / 1000.0;
    const double cpu = processCpuSeconds() - cpuBefore;
    const int completed = store->fetchCount(JobFilters::completed).value_or(0);

    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    std::printf("jobs=%d completed=%d wall=%.2f cpu_per_wall=%.2f peak_rss_mb=%.1f loop_p99_ms=%.1f loop_max_ms=%.1f\n",
                int(clips.size()), completed, wall, wall > 0 ? cpu / wall : 0.0,
                u.ru_maxrss / 1024.0, late.p99Ms, late.maxMs);
    return completed == clips.size() ? 0 : 1;
}
