// Saves PNG screenshots of the main window in its main states (empty, a
// batch ready to start, jobs in every status with a toast; light and dark)
// into the folder given as the first argument. Run by scripts/screenshots.sh.

#include "WindowFixture.h"

#include "app/LoopcasterApp.h"
#include "services/SettingsService.h"
#include "services/ToastManager.h"
#include "viewmodels/DashboardViewModel.h"
#include "views/AppIcon.h"
#include "views/ToastView.h"

#include <QApplication>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QMainWindow>
#include <QStyleFactory>
#include <QTest>

namespace {

void fillSettings(WindowFixture& w)
{
    for (int i = 1; i <= 24; ++i)
        w.file(QStringLiteral("Summer Playlist/%1 Song %1.mp3").arg(i, 2, 10, QLatin1Char('0')));
    QDir().mkpath(w.dir.filePath("Movies/Mixes"));
    SettingsService& s = w.container->settingsService();
    s.choosePlaylistFolder(QUrl::fromLocalFile(w.dir.filePath("Summer Playlist")));
    s.chooseOutputFolder(QUrl::fromLocalFile(w.dir.filePath("Movies/Mixes")));
    s.setSongCount(12);
    s.setCrossfadeDuration(4.5);
    if (!QTest::qWaitFor([&s] { return !s.isScanningSongs(); }))
        qWarning("the playlist scan did not finish");
}

// The app's window over the fixture's services, after `stage` has run.
void shoot(WindowFixture& w, const QString& file, const std::function<void(LoopcasterApp&)>& stage = {})
{
    LoopcasterApp app(*w.container);
    app.showWindow();
    if (stage)
        stage(app);
    // A toast is pictured once it has faded in completely.
    const QWidget* toast = app.contentView()->toast();
    const auto* fade = qobject_cast<const QGraphicsOpacityEffect*>(toast->graphicsEffect());
    if (!QTest::qWaitFor([toast, fade] { return !toast->isVisible() || fade->opacity() == 1.0; }))
        qWarning("the toast is still arriving");
    app.window()->grab().save(file);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    const QPalette light = QApplication::palette();
    views::appIcon().pixmap(128, 128).save(out + "/icon.png");

    using S = JobStatus;
    for (const QString suffix : {"", "-dark"}) {
        QApplication::setPalette(suffix.isEmpty() ? light : darkPalette());
        {
            WindowFixture w({}, false);
            shoot(w, out + "/empty" + suffix + ".png");
            fillSettings(w);
            const QList<QUrl> clips {w.file("beach sunset.mov"), w.file("city lights.mp4"), w.file("harbour.heic")};
            shoot(w, out + "/batch" + suffix + ".png",
                  [&clips](LoopcasterApp& app) { app.viewModels().dashboardViewModel().addFiles(clips); });
        }
        {
            WindowFixture w({{"old studio.mov", S::cancelled, "Cancelled by user"},
                             {"missing clip.mp4", S::failed, "Cannot access video file"},
                             {"forest walk.mov", S::completed, "Finished", 1},
                             {"mountain lake.jpg", S::paused, "Paused", 0.35f},
                             {"night drive.mp4", S::pending, "Waiting..."},
                             {"beach sunset.mov", S::processing, "Remuxing... 62%", 0.62f}},
                            false);
            fillSettings(w);
            w.container->toastManager().show("Started 3 jobs", ToastType::info, 60);
            shoot(w, out + "/queue" + suffix + ".png");
        }
    }
    return 0;
}
