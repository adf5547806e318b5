// The window and the shell as a user meets them, down to batches rendered
// through the real queue.

#include "../queue/QueueTestKit.h"
#include "TestTools.h"
#include "WindowFixture.h"

#include "app/LoopcasterApp.h"
#include "models/JobListModel.h"
#include "services/JobService.h"
#include "services/SettingsService.h"
#include "services/ToastManager.h"
#include "viewmodels/CheckForUpdatesViewModel.h"
#include "viewmodels/StatusItemViewModel.h"
#include "views/DropArea.h"
#include "views/ElidedLabel.h"
#include "views/JobRow.h"
#include "views/PreferencesDialog.h"
#include "views/PulseIndicator.h"
#include "views/QueueView.h"
#include "views/StartButton.h"
#include "views/Style.h"
#include "views/StatusTrayIcon.h"
#include "views/ToastView.h"
#include "views/Translations.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QScopeGuard>
#include <QTranslator>

namespace {

bool shown(const QWidget* w)
{
    return w && w->isVisibleTo(w->window());
}

QString symbolOf(const QObject* o)
{
    return o ? o->property("symbol").toString() : QString();
}

// Drags `urls` over `target` as a file manager would and, when `drop`, lets
// go on it; returns whether the drop was accepted.
bool dragFiles(QWidget* target, const QList<QUrl>& urls, bool drop)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!drop)
        return enter.isAccepted();
    QDropEvent dropEvent(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropEvent);
    return dropEvent.isAccepted();
}

// Every text shown in `window`, pictured as `picture`, reads at 4.5:1 or more
// against the colour most of its label's area has there.
void checkTextContrast(QWidget& window, const QImage& picture)
{
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(&window))
            continue;
        const QRect area(label->mapTo(&window, QPoint(0, 0)), label->size()); // the picture has no scale
        QHash<QRgb, int> counts;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                ++counts[picture.pixel(x, y)];
        const QColor background = std::max_element(counts.keyValueBegin(), counts.keyValueEnd(),
                                                   [](auto a, auto b) { return a.second < b.second; })->first;
        const QColor ink = views::style::over(label->palette().color(label->foregroundRole()), background);
        const qreal ratio = views::style::contrastRatio(ink, background);
        QVERIFY2(ratio >= 4.5, qPrintable(QString("%1 \"%2\": %3:1").arg(label->objectName(), label->text()).arg(ratio)));
    }
}

} // namespace

class TestViews : public QObject {
    Q_OBJECT
private slots:
    void aSessionFromDropToFinishedMovies();
    void toastsAndOpenFiles();
    void fullWindowThemeRowsNamesAndClear();
    void trayAndPulseFollowTheQueue();
    void aLongQueueKeepsAScreenfulOfCards();
    void germanTextsFit();
};

// One session as a user has it: a real drop and Clear All, the queue paused,
// a file picked (Ctrl+O cancelled), the folders, crossfade and song count set,
// one batch started with Ctrl+Return and one with the button; resumed, both
// end "Finished" with a movie and its tracklist in the chosen folder. What a
// movie holds is probed where the queue renders it (tst_job_service_render).
void TestViews::aSessionFromDropToFinishedMovies()
{
    WindowFixture w;
    QString error;
    QVERIFY(QDir().mkpath(w.dir.filePath("Songs")) && QDir().mkpath(w.dir.filePath("Out")));
    for (const QString song : {"a", "b"})
        QVERIFY2(testtools::makeTone(w.dir.filePath("Songs/" + song + ".wav"), 1.0, 440, 44100,
                                     {"-metadata", "title=Title " + song}, &error),
                 qPrintable(error));
    const QUrl clip = QUrl::fromLocalFile(w.dir.filePath("beach.mp4"));
    QVERIFY2(testtools::makeClip(clip.toLocalFile(), 0.5, 160, 120, 25, {"-c:v", "libx264", "-pix_fmt", "yuv420p"},
                                 &error),
             qPrintable(error));
    auto* area = w.find<views::DropArea>("dropArea");
    auto* start = w.find<views::StartButton>("startButton");
    auto* clearAll = w.find<QPushButton>("clearAllButton");
    auto* pause = w.find<QToolButton>("pauseButton");
    DashboardViewModel& vm = w.viewModels->dashboardViewModel();
    const QList<QUrl> urls {clip, w.file("notes.txt"), w.file("photo.heic")};

    QVERIFY(dragFiles(area, urls, false));
    QVERIFY(vm.isDropTargeted());
    QDragLeaveEvent leave;
    QApplication::sendEvent(area, &leave);
    QVERIFY(!vm.isDropTargeted());
    QVERIFY(dragFiles(area, urls, true));
    QVERIFY(!vm.isDropTargeted());
    QCOMPARE(vm.selectedVideoURLs(), (QList<QUrl> {clip, urls[2]}));
    QCOMPARE(area->accessibleName(), QString("2 files selected"));
    QVERIFY(shown(w.find<QLabel>("selectedCount")) && !shown(w.find<QLabel>("dropTitle")));
    QCOMPARE(start->text(), QString("Start Processing (2)"));
    QVERIFY(!start->isEnabled() && start->toolTip() == "Choose a playlist folder with songs first");
    QTest::mouseClick(clearAll, Qt::LeftButton);
    QVERIFY(vm.selectedVideoURLs().isEmpty());
    QVERIFY(shown(w.find<QLabel>("dropTitle")) && !shown(clearAll));

    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(w.container->jobService().isQueuePaused());
    QCOMPARE(pause->toolTip(), QString("Resume Queue"));

    // Opens the chooser `open` brings up as `name` and picks `file` in the
    // temp dir, or cancels it for none.
    QStringList filters; // the last chooser's
    const auto choose = [&w, &filters](const std::function<void()>& open, const char* name, const QString& file) {
        QTRY_VERIFY(!w.content->window()->findChild<QFileDialog*>(name)); // the last one is gone
        w.content->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.content.get()));
        open();
        auto* chooser = w.content->window()->findChild<QFileDialog*>(name);
        QVERIFY(chooser && chooser->isVisible());
        filters = chooser->nameFilters();
        if (file.isEmpty())
            return chooser->reject();
        chooser->setDirectory(w.dir.path());
        chooser->selectFile(file);
        static_cast<QDialog*>(chooser)->accept();
    };
    const auto click = [&w](const char* button) {
        return [&w, button] { QTest::mouseClick(w.find<QWidget>(button), Qt::LeftButton); };
    };
    choose(click("dropArea"), "filePicker", "beach.mp4");
    QCOMPARE(vm.selectedVideoURLs(), QList<QUrl> {clip});
    QVERIFY(filters.first().contains("*.heic"));
    choose([&w] { QTest::keyClick(w.content.get(), Qt::Key_O, Qt::ControlModifier); }, "filePicker", {});
    QCOMPARE(vm.selectedVideoURLs().size(), 1);

    choose(click("outputChooseButton"), "outputFolderDialog", "Out");
    QCOMPARE(w.find<views::ElidedLabel>("outputSubtitle")->fullText(), QString("Out"));
    auto* playlist = w.find<views::ElidedLabel>("playlistSubtitle");
    auto* available = w.find<QLabel>("availableSongs");
    auto* clearPlaylist = w.find<QToolButton>("playlistClearButton");
    QVERIFY(!shown(clearPlaylist));
    auto* minus = w.find<QToolButton>("songCountMinus");
    auto* plus = w.find<QToolButton>("songCountPlus");
    QVERIFY(!plus->isEnabled()); // no library yet
    choose(click("playlistChooseButton"), "playlistFolderDialog", "Songs");
    QTRY_COMPARE(playlist->fullText(), QString("Songs \u00B7 2 musics"));
    QCOMPARE(available->text(), QString("Available: 2"));
    QVERIFY(shown(clearPlaylist));
    // Half-second steps down to 0 (no crossfade); the slider follows what is
    // read back.
    auto* slider = w.find<QSlider>("crossfadeSlider");
    using Step = std::tuple<int, const char*, int>; // set, shown, slider after
    for (const auto& [steps, text, after] :
         {Step {5, "2.5s", 5}, {0, "0.0s", 0}, {6, "3.0s", 6}, {1, "0.5s", 1}}) {
        slider->setValue(steps);
        QCOMPARE(w.find<QLabel>("crossfadeValue")->text(), QString(text));
        QCOMPARE(slider->value(), after);
    }
    // The song count steps from one up to the library's size; above it (the
    // default 15) only down.
    using Click = std::tuple<int, QToolButton*, int>; // count set, button clicked, count after
    SettingsService& settings = w.container->settingsService();
    for (const auto& [count, button, after] : {Click {15, plus, 15}, {15, minus, 14}, {1, plus, 2}, {2, minus, 1},
                                               {1, minus, 1}, {1, plus, 2}}) {
        settings.setSongCount(count);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(settings.songCount(), after);
        QCOMPARE(w.find<QLabel>("songCountValue")->text(), QString::number(after));
        QCOMPARE(minus->isEnabled(), after > 1);
        QCOMPARE(plus->isEnabled(), after < 2);
    }

    QVERIFY(start->isEnabled() && start->toolTip().isEmpty());
    settings.setTitlesFromTags(true);
    QTest::keyClick(w.content.get(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(vm.selectedVideoURLs().isEmpty() && !w.content->startProcessingAction()->isEnabled());
    QVERIFY(dragFiles(area, {clip}, true));
    settings.setTitlesFromTags(false); // the queued job keeps the titles it was added with
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(w.content->queue()->rows().size(), 2);

    QTest::mouseClick(pause, Qt::LeftButton);
    QSet<QString> movies;
    for (views::JobRow* row : w.content->queue()->rows()) {
        QTRY_COMPARE_WITH_TIMEOUT(row->job()->statusMessage(), QString("Finished"), 60000);
        QVERIFY(shown(row->findChild<QToolButton*>("revealButton")));
        const QString movie = row->job()->outputPath().value_or("");
        QCOMPARE(QFileInfo(movie).absolutePath(), w.dir.filePath("Out"));
        QVERIFY2(QFileInfo(movie).size() > 0, qPrintable(movie));
        const bool tagged = testtools::readFile(movie.chopped(4) + ".txt").contains(" - Title a\n");
        QCOMPARE(tagged, row->job()->mixOptions().titlesFromTags);
        movies << movie + (tagged ? "+tags" : "");
    }
    QCOMPARE(movies.size(), 2);
    QCOMPARE(int(std::count_if(movies.begin(), movies.end(), [](auto& m) { return m.endsWith("+tags"); })), 1);

    QTest::mouseClick(clearPlaylist, Qt::LeftButton);
    QCOMPARE(playlist->fullText(), QString("Not Selected"));
    QCOMPARE(available->text(), QString("Available: 0"));
}

// On a clock driven by hand: a banner slides in, a new toast replaces its
// content in place, it leaves when its time is up or when closed. Then the
// shell is asked to open files, as a file manager does.
void TestViews::toastsAndOpenFiles()
{
    WindowFixture w({}, false);
    std::function<void()> expireNewest;
    ToastManager toasts([&expireNewest](int, QObject*, std::function<void()> expire) { expireNewest = expire; });
    const ViewModelContainer::Services s = w.container->viewModelServices();
    ViewModelContainer withToasts({s.settings, s.jobs, s.store, s.thermal, toasts});
    views::ContentView content(withToasts);
    content.show();
    QVERIFY(QTest::qWaitForWindowExposed(&content));
    views::ToastView* banner = content.toast();
    auto* icon = banner->findChild<QLabel*>("toastIcon");
    const int shownTop = views::ContentView::toastTop - views::ToastView::shadowMargin;
    QVERIFY(!banner->isVisible());

    toasts.show("Added 1 file", ToastType::success);
    QTRY_COMPARE(banner->geometry().top(), shownTop);
    QCOMPARE(symbolOf(icon), QString("checkmark.circle.fill"));
    toasts.show("Started 1 job", ToastType::info);
    QCOMPARE(banner->message(), QString("Started 1 job"));
    QCOMPARE(symbolOf(icon), QString("info.circle.fill"));
    QCOMPARE(banner->geometry().top(), shownTop);
    QCOMPARE(content.findChildren<views::ToastView*>().size(), 1);
    expireNewest();
    QTRY_VERIFY(!banner->isVisible());

    // A long message wraps within the banner's width; closing it ends it, and
    // so does Escape. Its shadow lets clicks through to what it covers.
    content.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&content));
    for (const bool byKey : {false, true}) {
        toasts.show(QString("Cannot access video file ").repeated(6), ToastType::error);
        QTRY_COMPARE(banner->geometry().top(), shownTop);
        QVERIFY(banner->width() <= views::ToastView::maximumBannerWidth + 2 * views::ToastView::shadowMargin);
        QWidget* underShadow = content.childAt(banner->geometry().topLeft() + QPoint(4, 4));
        QVERIFY(underShadow && underShadow != banner && underShadow->objectName() != "toastShadow");
        byKey ? QTest::keyClick(&content, Qt::Key_Escape)
              : QTest::mouseClick(banner->findChild<QToolButton*>("toastClose"), Qt::LeftButton);
        QVERIFY(!toasts.activeToast());
        QTRY_VERIFY(!banner->isVisible());
    }

    LoopcasterApp app(*w.container);
    const QUrl clip = w.file("clip.mp4");
    const QUrl photo = w.file("Photo.PNG");
    const QString before = QDir::currentPath();
    QDir::setCurrent(w.dir.path());
    // A path relative to where the app was started, a file: URI, and a file
    // of a type the app cannot use.
    app.openFiles({"clip.mp4", photo.toString(), w.file("notes.txt").toLocalFile()});
    QDir::setCurrent(before);
    QCOMPARE(app.viewModels().dashboardViewModel().selectedVideoURLs(), (QList<QUrl> {clip, photo}));
    QVERIFY(app.window()->isVisible());
    // Ctrl+, opens the preferences; the levels follow the checkbox, and what
    // is set there is what the next job takes.
    app.window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.window()));
    QTest::keyClick(app.window(), Qt::Key_Comma, Qt::ControlModifier);
    auto* preferences = app.window()->findChild<views::PreferencesDialog*>("preferencesDialog");
    QVERIFY(preferences && preferences->isVisible());
    auto* target = preferences->findChild<QDoubleSpinBox*>("loudnessTarget");
    QVERIFY(!target->isEnabled());
    preferences->findChild<QCheckBox*>("matchLoudness")->click();
    QVERIFY(target->isEnabled());
    target->setValue(-18.5);
    preferences->findChild<QCheckBox*>("titlesFromTags")->click();
    QVERIFY(w.container->settingsService().mixOptions() == (MixOptions {-18.5, -1.0, true}));
    // This test session has no tray, so closing the window must quit.
    QCOMPARE(QApplication::quitOnLastWindowClosed(), !QSystemTrayIcon::isSystemTrayAvailable());
}

// The window at its fullest (rows of every settled kind, a selection, a
// playlist): a theme switch restyles it exactly as a window opened dark over
// the same jobs; a row follows its job's status; screen readers and these
// tests find every button and slider, in every state, by its names; Clear
// Finished asks first.
void TestViews::fullWindowThemeRowsNamesAndClear()
{
    using S = JobStatus;
    WindowFixture w({{"a.mov", S::cancelled}, {"b.mov", S::failed}, {"c.mov", S::completed},
                     {"d.mov", S::paused}, {"e.mov", S::pending, "Waiting...", 0.6f}});
    for (const char* song : {"Songs/a.mp3", "Songs/b.mp3", "Songs/c.mp3"})
        w.file(song);
    w.container->settingsService().choosePlaylistFolder(QUrl::fromLocalFile(w.dir.filePath("Songs")));
    QTRY_VERIFY(!w.container->settingsService().isScanningSongs());
    w.viewModels->dashboardViewModel().setSelectedVideoURLs({w.file("clip.mp4")});
    const auto picture = [](QWidget& window) {
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus(); // a focus ring would tell the two windows apart
        QCoreApplication::processEvents(); // the layout the last changes asked for
        return window.grab().toImage();
    };
    const QPalette light = QApplication::palette();
    const QImage beforeSwitch = picture(*w.content);
    checkTextContrast(*w.content, beforeSwitch);
    QApplication::setPalette(darkPalette());
    QCoreApplication::processEvents(); // restyling posted by the palette change
    const QImage afterSwitch = picture(*w.content);
    views::ContentView openedDark(*w.viewModels);
    openedDark.show();
    QVERIFY(QTest::qWaitForWindowExposed(&openedDark));
    const QImage dark = picture(openedDark);
    checkTextContrast(openedDark, dark);
    QApplication::setPalette(light);
    QVERIFY(afterSwitch != beforeSwitch);
    QCOMPARE(afterSwitch, dark);

    // Row "e" in every status, each with its icon and the one action it
    // allows; an unknown code reads as pending. The queue is paused, so a
    // retried job waits. It ends processing, for the names below.
    const QList<views::JobRow*> rows = w.content->queue()->rows();
    auto* row = *std::find_if(rows.begin(), rows.end(), [](auto* r) { return r->job()->displayName() == "e"; });
    using Status = std::tuple<qint64, QString, QString>; // icon (empty: the spinner), action
    for (const auto& [status, icon, action] :
         {Status {9, "clock", ""}, {2, "pause.circle.fill", ""}, {3, "checkmark.circle.fill", "revealButton"},
          {4, "exclamationmark.triangle.fill", "retryButton"}, {5, "xmark.circle.fill", "retryButton"},
          {1, "", "cancelButton"}}) {
        row->job()->setStatusValue(status);
        QCOMPARE(shown(row->findChild<QWidget*>("statusSpinner")), icon.isEmpty());
        if (!icon.isEmpty())
            QCOMPARE(symbolOf(row->findChild<QLabel*>("statusIcon")), icon);
        for (const char* name : {"cancelButton", "revealButton", "retryButton"})
            QVERIFY2(shown(row->findChild<QToolButton*>(name)) == (action == name), name);
        QCOMPARE(shown(row->findChild<QProgressBar*>("jobProgress")), status == 1);
        if (action == "revealButton" || action == "retryButton")
            QTest::mouseClick(row->findChild<QToolButton*>(action), Qt::LeftButton);
        if (action == "retryButton") {
            QCOMPARE(symbolOf(row->findChild<QLabel*>("statusIcon")), QString("clock"));
            QCOMPARE(row->job()->statusMessage(), QString("Waiting..."));
            QCOMPARE(row->job()->progress(), 0.0f);
        }
    }
    QCOMPARE(w.revealed, QList<QUrl> {QUrl::fromLocalFile(w.dir.filePath("e_mix_1.mp4"))});
    w.container->toastManager().show("Added 1 file", ToastType::success);
    int controls = 0;
    for (QWidget* control : w.content->findChildren<QWidget*>()) {
        const auto* button = qobject_cast<QAbstractButton*>(control);
        if (!button && (!qobject_cast<QAbstractSlider*>(control) || qobject_cast<QScrollBar*>(control)))
            continue;
        ++controls;
        const QString spoken =
            control->accessibleName().isEmpty() && button ? button->text() : control->accessibleName();
        QVERIFY2(!control->objectName().isEmpty(), qPrintable(spoken + " has no object name"));
        QVERIFY2(!spoken.trimmed().isEmpty(), qPrintable(control->objectName() + " has no accessible name"));
    }
    QVERIFY(controls > 20);

    // Clear Finished asks first: Cancel keeps every job, Clear the unfinished.
    for (const QString button : {"clearCancelButton", "clearConfirmButton"}) {
        QTRY_VERIFY(!w.content->window()->findChild<QMessageBox*>("clearConfirmation"));
        QTest::mouseClick(w.find<QToolButton>("clearFinishedButton"), Qt::LeftButton);
        auto* box = w.content->window()->findChild<QMessageBox*>("clearConfirmation");
        QVERIFY(box && box->isVisible() && box->width() >= 380); // its title and text fit
        QTest::mouseClick(box->findChild<QPushButton*>(button), Qt::LeftButton);
        QTRY_VERIFY(!w.viewModels->queueViewModel().showClearConfirmation());
        QCOMPARE(w.find<QLabel>("jobCount")->text(), QString(button == "clearCancelButton" ? "5 items" : "2 items"));
    }
    QStringList left; // their order is the list model's own test
    for (views::JobRow* row : w.content->queue()->rows()) {
        left << row->job()->displayName();
        auto* remove = row->findChild<QToolButton*>("deleteButton"); // the second by Delete on its focused button
        left.size() > 1 ? QTest::keyClick(remove, Qt::Key_Delete) : QTest::mouseClick(remove, Qt::LeftButton);
    }
    left.sort();
    QCOMPARE(left, (QStringList {"d", "e"}));
    QVERIFY(w.content->queue()->rows().isEmpty());
    QCOMPARE(w.find<QLabel>("jobCount")->text(), QString("0 items"));
    QVERIFY(shown(w.find<QWidget>("queueEmptyState")));
}

// The tray item and the queue header's dot follow the same queue and heat,
// idle, rendering hot and paused critical; a scripted run renders exactly as
// long as the test says.
void TestViews::trayAndPulseFollowTheQueue()
{
    QueueFixture f;
    JobService& service = f.start();
    StatusItemViewModel statusItem(service, *f.thermal);
    CheckForUpdatesViewModel updates(QUrl(), QVersionNumber(1));
    views::StatusTrayIcon tray(statusItem, updates);
    QueueViewModel queue(service, *f.store, *f.thermal, {});
    views::QueueView view(queue);
    view.resize(450, 300); // as wide as in the window
    view.show();
    auto* pulse = view.findChild<views::PulseIndicator*>("pulseIndicator");
    auto* pause = view.findChild<QToolButton*>("pauseButton");
    const QRect pauseWithoutJobs = pause->geometry();
    QVERIFY(!tray.updatesAction()->isEnabled() && tray.updatesAction()->toolTip() == "This build has no update feed");
    // The tray's square icon is the dot, in the thermal colour, and so is the
    // header's, which pulses exactly while a job renders.
    const auto expect = [&](int level, bool rendering, const QString& pauseText) {
        const QColor heat = ThermalService::colorFor(ThermalService::stateForLevel(level));
        QCOMPARE(tray.icon().pixmap(32, 32).toImage().pixelColor(16, 16).rgb(), heat.rgb());
        QCOMPARE(pulse->color(), heat);
        QCOMPARE(pulse->isAnimating(), rendering);
        QCOMPARE(tray.toolTip(), rendering ? QString("Loopcaster: rendering") : QString("Loopcaster: not running"));
        QCOMPARE(tray.pauseAction()->text(), pauseText);
    };
    expect(0, false, "Pause Queue");
    service.addJob(f.sourceFile("clip.mov"), {}, QUrl::fromLocalFile(f.dir.path()));
    f.setLevel(2);
    expect(2, true, "Pause Queue");
    QTRY_VERIFY(view.findChild<QToolButton*>("clearFinishedButton")->isVisible());
    view.layout()->activate();
    QCOMPARE(pause->geometry(), pauseWithoutJobs); // the retry and clear buttons kept their room
    exportSteadily(f, "clip", 5); // the time left shows beside the status, in the header and the tray
    const auto* left = view.findChild<QLabel*>("jobTimeLeft");
    QVERIFY2(shown(left) && left->text().endsWith(" left"), qPrintable(left->text()));
    QCOMPARE(tray.toolTip(), "Loopcaster: rendering, " + left->text());
    QCOMPARE(view.findChild<QLabel*>("jobCount")->toolTip(), left->text() + " in the queue");
    f.workerFor("clip")->finishRun();
    QTRY_VERIFY(!pulse->isAnimating());
    QVERIFY(!shown(left));
    f.setLevel(3);
    tray.pauseAction()->trigger();
    QVERIFY(service.isQueuePaused());
    expect(3, false, "Resume Queue");
    service.resumeQueue();
    QCOMPARE(tray.pauseAction()->text(), QString("Pause Queue"));

    QSignalSpy shows(&tray, &views::StatusTrayIcon::showWindowRequested);
    emit tray.activated(QSystemTrayIcon::Trigger);
    QCOMPARE(shows.count(), 1);
}

// Thousands of jobs, and cards only for a screenful: scrolled to the end the
// last job shows; a row above turning running and a job arriving at the top
// leave the cards in view where they are; Tab past the last card shown
// scrolls on to the next; delete removes the clicked card's own job, and
// clearing them all makes no card per job.
void TestViews::aLongQueueKeepsAScreenfulOfCards()
{
    QueueFixture f;
    for (int i = 0; i < 2000; ++i) {
        auto* job = new MixJob(QUrl::fromLocalFile(f.dir.filePath(QString("%1.mov").arg(i))), {}, {});
        job->setStatus(JobStatus::completed);
        f.store->insert(job);
    }
    QueueViewModel queue(f.start(), *f.store, *f.thermal, {});
    const JobListModel& jobs = *queue.jobs();
    views::QueueView view(queue);
    view.resize(450, 520);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QScrollBar* bar = view.findChild<QAbstractScrollArea*>("jobList")->verticalScrollBar();
    bar->setValue(bar->maximum());
    QCOMPARE(view.rows().last()->job(), jobs.jobAt(1999));
    QVERIFY(view.findChildren<views::JobRow*>().size() < 20);

    bar->setValue(bar->maximum() / 2);
    views::JobRow* watched = view.rows().at(1);
    const auto [watchedJob, watchedAt] = std::pair(watched->job(), watched->geometry());
    jobs.jobAt(0)->setStatus(JobStatus::processing);
    f.store->insert(new MixJob(f.sourceFile("newest.mov"), {}, {}));
    QCOMPARE(jobs.jobAt(0)->displayName(), "newest");
    QCOMPARE(view.rows().at(1), watched);
    QVERIFY(watched->job() == watchedJob && watched->geometry() == watchedAt);

    views::JobRow* last = view.rows().last();
    last->findChild<QToolButton*>("deleteButton")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->parentWidget(), view.rows().last());
    QCOMPARE(jobs.rowOf(view.rows().last()->job()), jobs.rowOf(last->job()) + 1);

    const MixJob* doomed = view.rows().at(2)->job();
    QTest::mouseClick(view.rows().at(2)->findChild<QToolButton*>("deleteButton"), Qt::LeftButton);
    QVERIFY(jobs.rowOf(doomed) < 0 && jobs.rowCount() == 2000);
    queue.clearFinishedJobs(); // cards only for what is left in view, not for each job on its way out
    QTRY_COMPARE(view.rows().size(), jobs.rowCount()); // once the cleared cards have folded away
    QVERIFY(view.findChildren<views::JobRow*>().size() < 20);
}

// In German, as main() loads it: the texts and a stored status translated,
// and every one-line label and button wide enough for its text.
void TestViews::germanTextsFit()
{
    views::installTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany));
    const auto english = qScopeGuard([] { qDeleteAll(qApp->findChildren<QTranslator*>()); });
    WindowFixture w({{"a.mov", JobStatus::failed, "Cannot access video file"},
                     {"b.mov", JobStatus::paused, "Mixing audio 3/15..."}});
    w.viewModels->dashboardViewModel().setSelectedVideoURLs({w.file("clip.mp4"), w.file("photo.png")});
    QCoreApplication::processEvents();
    QCOMPARE(w.find<QLabel>("queueTitle")->text(), "Warteschlange");
    QCOMPARE(w.find<QLabel>("jobCount")->text(), "2 Aufträge");
    QCOMPARE(w.find<QAbstractButton>("startButton")->text(), "Verarbeitung starten (2)");
    QStringList statuses; // the rows' order among jobs made in the same instant is not fixed
    for (const auto* status : w.content->findChildren<views::ElidedLabel*>("jobStatusMessage"))
        statuses << status->fullText();
    QVERIFY2(statuses.contains("Kein Zugriff auf die Videodatei") && statuses.contains("Audio wird gemischt 3/15 …"),
             qPrintable(statuses.join(", ")));
    views::PreferencesDialog preferences(w.viewModels->preferencesViewModel());
    preferences.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preferences));
    QCOMPARE(preferences.windowTitle(), "Einstellungen");
    QueueFixture f; // and a running job's time left, beside its whole status
    f.start().addJob(f.sourceFile("clip.mov"), {}, QUrl::fromLocalFile(f.dir.path()));
    QueueViewModel queue(*f.service, *f.store, *f.thermal, {});
    views::QueueView running(queue);
    running.resize(450, 300); // as wide as in the window
    running.show();
    exportSteadily(f, "clip", 5);
    QVERIFY(running.findChild<QLabel*>("jobTimeLeft")->text().startsWith("noch "));
    const auto* status = running.findChild<views::ElidedLabel*>("jobStatusMessage");
    QCOMPARE(status->text(), status->fullText());
    QStringList clipped;
    for (QWidget* widget : w.content->findChildren<QWidget*>() + preferences.findChildren<QWidget*>()
                               + running.findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(widget);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        const QString text = label ? label->text() : button ? button->text() : QString();
        if (text.isEmpty() || text.contains('\n') || (label && label->wordWrap()) || !shown(widget))
            continue;
        if (widget->fontMetrics().horizontalAdvance(text) > widget->contentsRect().width())
            clipped << widget->objectName() + ": " + text;
    }
    QCOMPARE(clipped, QStringList());
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
