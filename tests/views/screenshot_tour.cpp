// Saves PNG screenshots of the main window in its main states (empty, a
// batch ready to start, jobs in every status with a toast, dark palette) into
// the folder given as the first argument. Run by scripts/screenshots.sh.

#include "TestTools.h"
#include "app/AppDependencyContainer.h"
#include "app/LoopcasterApp.h"
#include "models/JobStore.h"
#include "services/JobService.h"
#include "services/SettingsService.h"
#include "services/ToastManager.h"
#include "viewmodels/DashboardViewModel.h"
#include "views/AppIcon.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QSettings>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

namespace {

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x26, 0x27, 0x2B));
    p.setColor(QPalette::WindowText, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::Base, QColor(0x1C, 0x1D, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x2C, 0x2D, 0x31));
    p.setColor(QPalette::Text, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::Button, QColor(0x33, 0x34, 0x38));
    p.setColor(QPalette::ButtonText, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::Highlight, QColor(0x3D, 0x8B, 0xF7));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0x33, 0x34, 0x38));
    p.setColor(QPalette::ToolTipText, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::PlaceholderText, QColor(0x8E, 0x8E, 0x93));
    return p;
}

struct Session {
    QTemporaryDir dir;
    std::unique_ptr<AppDependencyContainer> container;
    std::unique_ptr<LoopcasterApp> app;

    Session()
    {
        QString error;
        auto store = JobStore::open(dir.filePath("jobs.sqlite"), &error);
        AppDependencyContainer::Overrides o;
        o.settings = std::make_unique<QSettings>(dir.filePath("prefs.ini"), QSettings::IniFormat);
        container = std::make_unique<AppDependencyContainer>(std::move(store), std::move(o));
        app = std::make_unique<LoopcasterApp>(*container);
        app->showWindow();
    }
    QString path(const QString& name)
    {
        QDir().mkpath(QFileInfo(dir.filePath(name)).absolutePath());
        return dir.filePath(name);
    }
    void fillSettings()
    {
        for (int i = 1; i <= 24; ++i)
            testtools::writeFile(path(QStringLiteral("Summer Playlist/%1 Song %1.mp3").arg(i, 2, 10, QLatin1Char('0'))), {});
        QDir().mkpath(path("Movies/Mixes"));
        SettingsService& s = container->settingsService();
        s.choosePlaylistFolder(QUrl::fromLocalFile(path("Summer Playlist")));
        s.chooseOutputFolder(QUrl::fromLocalFile(path("Movies/Mixes")));
        s.setSongCount(12);
        s.setCrossfadeDuration(4.5);
    }
    void addJob(const QString& name, JobStatus status, const QString& message, float progress = 0)
    {
        QTest::qSleep(2); // distinct creation times keep the order
        auto* job = new MixJob(QUrl::fromLocalFile(path(name)), {});
        job->setOutputPath(path("Movies/Mixes/" + QFileInfo(name).completeBaseName() + "_mix_1765000000.mp4"));
        job->setStatus(status);
        job->setStatusMessage(message);
        job->setProgress(progress);
        container->modelContainer().insert(job);
    }
    void save(const QString& file)
    {
        QTest::qWait(700); // let the toast and rows finish arriving
        app->window()->grab().save(file);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    const QPalette light = QApplication::palette();
    views::appIcon().pixmap(128, 128).save(out + "/icon.png");

    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : light);
        const QString suffix = dark ? "-dark" : "";
        {
            Session s;
            s.save(out + "/empty" + suffix + ".png");
        }
        {
            Session s;
            s.fillSettings();
            QList<QUrl> clips;
            for (const char* name : {"beach sunset.mov", "city lights.mp4", "harbour.heic"}) {
                testtools::writeFile(s.path(name), {});
                clips << QUrl::fromLocalFile(s.path(name));
            }
            s.app->viewModels().dashboardViewModel().addDroppedFiles(clips);
            s.save(out + "/batch" + suffix + ".png");
        }
        {
            Session s;
            s.fillSettings();
            // Paused, so the stand-in jobs below stay as they are shown.
            s.container->jobService().pauseQueue();
            s.addJob("old studio.mov", JobStatus::cancelled, "Cancelled by user");
            s.addJob("missing clip.mp4", JobStatus::failed, "Cannot access video file");
            s.addJob("forest walk.mov", JobStatus::completed, "Finished", 1);
            s.addJob("mountain lake.jpg", JobStatus::paused, "Paused", 0.35f);
            s.addJob("night drive.mp4", JobStatus::pending, "Waiting...");
            s.addJob("beach sunset.mov", JobStatus::processing, "Remuxing... 62%", 0.62f);
            s.container->toastManager().show("Started 3 jobs", ToastType::info, 60);
            s.save(out + "/queue" + suffix + ".png");
        }
    }
    return 0;
}
