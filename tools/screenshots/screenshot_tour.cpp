// Saves PNG screenshots of the main window in its main states (empty, a
// batch ready to start, jobs in every status with a toast), close-ups of the
// queue header, a running job's card with its time left, keyboard focus and a
// disabled start button's tooltip, and the dialogs, in light and dark, into
// the folder given as the first argument.
// Run by scripts/screenshots.sh.

#include "../queue/QueueTestKit.h"
#include "WindowFixture.h"

#include "app/LoopcasterApp.h"
#include "services/SettingsService.h"
#include "services/ToastManager.h"
#include "viewmodels/DashboardViewModel.h"
#include "viewmodels/QueueViewModel.h"
#include "views/AppIcon.h"
#include "views/JobRow.h"
#include "views/QueueView.h"
#include "views/ToastView.h"
#include "views/Translations.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
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
    if (!QTest::qWaitFor([&s] { return !s.isScanningSongs(); }))
        qWarning("the playlist scan did not finish");
}

// The window with any tooltip over it, within `name`'s area grown by `grow`.
QImage closeUp(LoopcasterApp& app, const char* name, QMargins grow = {8, 8, 8, 8})
{
    QWidget* window = app.window();
    const auto* widget = window->findChild<QWidget*>(name);
    QImage image = window->grab().toImage();
    QPainter p(&image);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible())
            p.drawPixmap(window->mapFromGlobal(top->pos()), top->grab());
    return image.copy(QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()).marginsAdded(grow));
}

// The app's (active) window over the fixture's services, after `stage` has
// run; any focus it gave is taken back first.
void shoot(WindowFixture& w, const QString& file, const std::function<void(LoopcasterApp&)>& stage = {})
{
    LoopcasterApp app(*w.container);
    app.showWindow();
    if (!QTest::qWaitForWindowActive(app.window()))
        qWarning("the window is not active");
    // A toast is pictured once it has faded in completely.
    const QWidget* toast = app.contentView()->toast();
    const auto* fade = qobject_cast<const QGraphicsOpacityEffect*>(toast->graphicsEffect());
    if (!QTest::qWaitFor([toast, fade] { return !toast->isVisible() || fade->opacity() == 1.0; }))
        qWarning("the toast is still arriving");
    if (stage)
        stage(app);
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    app.window()->grab().save(file);
}

// A running job's card, as wide as in the window, once a scripted run has
// exported long enough for its time left to show.
QImage runningCard()
{
    QueueFixture f;
    f.start().addJob(f.sourceFile("beach sunset.mov"), {}, QUrl::fromLocalFile(f.dir.path()));
    QueueViewModel queue(*f.service, *f.store, *f.thermal, {});
    views::QueueView view(queue);
    view.resize(450, 200);
    view.show();
    exportSteadily(f, "beach sunset", 32);
    return view.rows().first()->grab().toImage();
}

QList<StoredJob> jobsInEveryStatus()
{
    using S = JobStatus;
    return {{"old studio.mov", S::cancelled, "Cancelled by user"},
            {"missing clip.mp4", S::failed, "Cannot access video file"},
            {"forest walk.mov", S::completed, "Finished", 1},
            {"mountain lake.jpg", S::paused, "Paused (Queue Paused)", 0.35f},
            {"night drive.mp4", S::pending, "Waiting..."},
            {"beach sunset.mov", S::processing, "Remuxing... 62%", 0.62f}};
}

// The whole window in the user's language (LANGUAGE=de gives window-de.png),
// with jobs, a toast and a batch ready to start, and the clear dialog.
void shootTranslated(QApplication& qapp, const QString& out, const QString& language)
{
    views::installTranslations(qapp);
    WindowFixture w(jobsInEveryStatus(), false);
    fillSettings(w);
    const QList<QUrl> clips {w.file("beach sunset.mov"), w.file("city lights.mp4"), w.file("harbour.heic")};
    w.container->toastManager().show(QCoreApplication::translate("DashboardViewModel", "Started %n jobs",
                                                                 nullptr, 3), ToastType::info, 60);
    runningCard().save(out + "/card-running-" + language + ".png");
    shoot(w, out + "/window-" + language + ".png", [&](LoopcasterApp& app) {
        app.viewModels().dashboardViewModel().setSelectedVideoURLs(clips);
        app.window()->findChild<QToolButton*>("clearFinishedButton")->click();
        app.window()->findChild<QMessageBox*>()->grab().save(out + "/dialog-clear-" + language + ".png");
        app.window()->findChild<QAction*>("preferencesAction")->trigger();
        app.window()->findChild<QDialog*>("preferencesDialog")->grab().save(out + "/dialog-preferences-" + language
                                                                            + ".png");
    });
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
    const QString language = QLocale::system().uiLanguages().value(0).section('-', 0, 0);
    if (!language.isEmpty() && language != "en" && language != "C") {
        shootTranslated(qapp, out, language);
        return 0;
    }

    for (const QString suffix : {"", "-dark"}) {
        QApplication::setPalette(suffix.isEmpty() ? light : darkPalette());
        const auto save = [&out, &suffix](const auto& picture, const char* name) {
            picture.save(out + "/" + name + suffix + ".png");
        };
        const auto header = [](LoopcasterApp& app) { return app.contentView()->queue()->grab(QRect(0, 0, 450, 48)); };
        const auto focus = [](LoopcasterApp& app, const char* name) {
            app.window()->findChild<QWidget*>(name)->setFocus(Qt::TabFocusReason);
        };
        // The first frame of the message box just opened (it closes with the window).
        const auto dialog = [](LoopcasterApp& app) { return app.window()->findChild<QMessageBox*>()->grab(); };
        {
            WindowFixture w({}, false);
            shoot(w, out + "/empty" + suffix + ".png", [&](LoopcasterApp& app) {
                save(header(app), "header-empty");
                focus(app, "dropArea");
                save(closeUp(app, "videoDropZone"), "focus-dropzone");
                app.window()->findChild<QAction*>("aboutAction")->trigger();
                save(dialog(app), "dialog-about");
                app.window()->findChild<QAction*>("preferencesAction")->trigger();
                save(app.window()->findChild<QDialog*>("preferencesDialog")->grab(), "dialog-preferences");
            });
            fillSettings(w);
            shoot(w, out + "/start-disabled" + suffix + ".png", [&](LoopcasterApp& app) {
                focus(app, "playlistClearButton");
                save(closeUp(app, "playlistRow"), "focus-clear");
                auto* start = app.window()->findChild<QWidget*>("startButton");
                QToolTip::showText(start->mapToGlobal(start->rect().center()), start->toolTip(), start);
                QTest::qWait(300);
                save(closeUp(app, "startButton", {10, 10, 250, 30}), "start-tooltip");
                QToolTip::hideText();
            });
            const QList<QUrl> clips {w.file("beach sunset.mov"), w.file("city lights.mp4"), w.file("harbour.heic")};
            shoot(w, out + "/batch" + suffix + ".png", [&clips](LoopcasterApp& app) {
                app.viewModels().dashboardViewModel().addFiles(clips);
                QTest::qWait(400); // the toast arrives
            });
        }
        WindowFixture w(jobsInEveryStatus(), false);
        fillSettings(w);
        w.container->toastManager().show("Started 3 jobs", ToastType::info, 60);
        save(runningCard(), "card-running");
        shoot(w, out + "/queue" + suffix + ".png", [&](LoopcasterApp& app) {
            save(header(app), "header-jobs");
            app.window()->findChild<QToolButton*>("clearFinishedButton")->click();
            save(dialog(app), "dialog-clear");
        });
    }
    return 0;
}
