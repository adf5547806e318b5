// Saves PNG screenshots of the main window in its main states (empty, a
// batch ready to start, jobs in every status with a toast), close-ups of the
// queue header, keyboard focus and a disabled start button's tooltip, and the
// dialogs, in light and dark, into the folder given as the first argument.
// Run by scripts/screenshots.sh.

#include "WindowFixture.h"

#include "app/LoopcasterApp.h"
#include "services/SettingsService.h"
#include "services/ToastManager.h"
#include "viewmodels/DashboardViewModel.h"
#include "views/AppIcon.h"
#include "views/ToastView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QMainWindow>
#include <QMessageBox>
#include <QPainter>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

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
}

// The window with any tooltip shown over it, within `part` (window
// coordinates; the whole window when empty).
QImage picture(QWidget* window, QRect part = {})
{
    QImage image = window->grab().toImage();
    QPainter p(&image);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel") && top->isVisible())
            p.drawPixmap(window->mapFromGlobal(top->pos()), top->grab());
    }
    p.end();
    return part.isEmpty() ? image : image.copy(part);
}

// `name` in the window, in window coordinates, grown by `margin`.
QRect areaOf(LoopcasterApp& app, const char* name, int margin = 8)
{
    const auto* widget = app.window()->findChild<QWidget*>(name);
    return QRect(widget->mapTo(app.window(), QPoint(0, 0)), widget->size()).adjusted(-margin, -margin, margin, margin);
}

// The queue's header alone, without the toast over it.
QPixmap header(LoopcasterApp& app)
{
    QWidget* queue = app.window()->findChild<QWidget*>("queueView");
    return queue->grab(QRect(0, 0, queue->width(), 48));
}

// Focuses `name` as the Tab key would.
void tabTo(LoopcasterApp& app, const char* name)
{
    app.window()->activateWindow();
    if (!QTest::qWaitForWindowActive(app.window()))
        qWarning("the window is not active");
    app.window()->findChild<QWidget*>(name)->setFocus(Qt::TabFocusReason);
}

// The first frame of the message box `open` brings up, then closes it.
void shootDialog(LoopcasterApp& app, const std::function<void()>& open, const QString& file)
{
    open();
    for (auto* box : app.window()->findChildren<QMessageBox*>()) {
        box->grab().save(file);
        box->reject();
    }
}

using Stage = std::function<void(LoopcasterApp&)>;

// The app's window over the fixture's services, after `stage` has run.
void shoot(WindowFixture& w, const QString& file, const Stage& stage = {})
{
    LoopcasterApp app(*w.container);
    app.showWindow();
    // A toast is pictured once it has faded in completely.
    const QWidget* toast = app.contentView()->toast();
    const auto* fade = qobject_cast<const QGraphicsOpacityEffect*>(toast->graphicsEffect());
    if (!QTest::qWaitFor([toast, fade] { return !toast->isVisible() || fade->opacity() == 1.0; }))
        qWarning("the toast is still arriving");
    if (stage)
        stage(app);
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus(); // the close-ups show focus
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
            shoot(w, out + "/empty" + suffix + ".png", [&out, &suffix](LoopcasterApp& app) {
                header(app).save(out + "/header-empty" + suffix + ".png");
                tabTo(app, "dropArea");
                picture(app.window(), areaOf(app, "videoDropZone")).save(out + "/focus-dropzone" + suffix + ".png");
                shootDialog(app, [&app] { app.window()->findChild<QAction*>("aboutAction")->trigger(); },
                            out + "/dialog-about" + suffix + ".png");
            });
            fillSettings(w);
            shoot(w, out + "/start-disabled" + suffix + ".png", [&out, &suffix](LoopcasterApp& app) {
                tabTo(app, "playlistClearButton");
                picture(app.window(), areaOf(app, "playlistRow")).save(out + "/focus-clear" + suffix + ".png");
                auto* start = app.window()->findChild<QWidget*>("startButton");
                QToolTip::showText(start->mapToGlobal(start->rect().center()), start->toolTip(), start);
                QTest::qWait(300);
                const QRect around = areaOf(app, "startButton", 40);
                picture(app.window(), QRect(0, around.top(), 600, around.height()))
                    .save(out + "/start-tooltip" + suffix + ".png");
                QToolTip::hideText();
            });
            const QList<QUrl> clips {w.file("beach sunset.mov"), w.file("city lights.mp4"), w.file("harbour.heic")};
            shoot(w, out + "/batch" + suffix + ".png", [&clips](LoopcasterApp& app) {
                app.viewModels().dashboardViewModel().addDroppedFiles(clips);
                QTest::qWait(400); // the toast arrives
            });
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
            shoot(w, out + "/queue" + suffix + ".png", [&out, &suffix](LoopcasterApp& app) {
                QWidget* window = app.window();
                header(app).save(out + "/header-jobs" + suffix + ".png");
                auto* clear = window->findChild<QToolButton*>("clearFinishedButton");
                shootDialog(app, [clear] { clear->click(); }, out + "/dialog-clear" + suffix + ".png");
            });
        }
    }
    return 0;
}
