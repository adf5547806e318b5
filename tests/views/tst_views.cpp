// The screens as a user meets them: what the drop zone, settings and queue
// show in each state, which buttons a job offers, the stepper's bounds, the
// pause control, toasts, the clear confirmation, and real drops of files.

#include "WindowFixture.h"

#include "models/JobStore.h"
#include "services/JobService.h"
#include "services/SettingsService.h"
#include "services/ToastManager.h"
#include "views/DashboardView.h"
#include "views/DropArea.h"
#include "views/ElidedLabel.h"
#include "views/JobRow.h"
#include "views/QueueView.h"
#include "views/StartButton.h"
#include "views/ToastView.h"

#include <QAction>
#include <QDragLeaveEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

bool shown(const QWidget* w)
{
    return w && w->isVisibleTo(w->window());
}

QString symbolOf(const QObject* o)
{
    return o ? o->property("symbol").toString() : QString();
}

} // namespace

class TestViews : public QObject {
    Q_OBJECT
private slots:
    void dropZoneAndStartButton_data();
    void dropZoneAndStartButton();
    void realDropOfFiles();
    void keyboardAddsAndStarts();
    void settingsRows();
    void stepperBounds_data();
    void stepperBounds();
    void queueHeaderAndEmptyState_data();
    void queueHeaderAndEmptyState();
    void rowButtonsPerStatus_data();
    void rowButtonsPerStatus();
    void pauseButtonToggles();
    void clearConfirmation_data();
    void clearConfirmation();
    void toastReplacedAndDismissed();
    void everyControlIsNamed();
    void followsAThemeSwitch();
};

void TestViews::dropZoneAndStartButton_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("songs");
    QTest::addColumn<QString>("zoneText");
    QTest::addColumn<QString>("startTitle");
    QTest::addColumn<bool>("startEnabled");
    QTest::newRow("empty") << 0 << 3 << "Drop Video or Image" << "Start Processing " << false;
    QTest::newRow("one file") << 1 << 3 << "1 files selected" << "Start Processing (1)" << true;
    QTest::newRow("two files, no songs") << 2 << 0 << "2 files selected" << "Start Processing (2)" << false;
}

void TestViews::dropZoneAndStartButton()
{
    QFETCH(int, files);
    QFETCH(int, songs);
    QFETCH(QString, zoneText);
    QFETCH(QString, startTitle);
    QFETCH(bool, startEnabled);
    WindowFixture w;
    w.choosePlaylist(songs);
    QList<QUrl> urls;
    for (int i = 0; i < files; ++i)
        urls << w.file(QStringLiteral("clip%1.mp4").arg(i));
    w.viewModels->dashboardViewModel().addFiles(urls);

    auto* area = w.find<views::DropArea>("dropArea");
    QCOMPARE(area->accessibleName(), zoneText);
    QCOMPARE(shown(w.find<QLabel>("dropTitle")), files == 0);
    QCOMPARE(shown(w.find<QLabel>("dropHint")), files == 0);
    QCOMPARE(shown(w.find<QLabel>("selectedCount")), files > 0);
    auto* clearAll = w.find<QPushButton>("clearAllButton");
    QCOMPARE(shown(clearAll), files > 0);
    auto* start = w.find<views::StartButton>("startButton");
    QCOMPARE(start->text(), startTitle);
    QCOMPARE(start->isEnabled(), startEnabled);

    if (files > 0) {
        QTest::mouseClick(clearAll, Qt::LeftButton);
        QVERIFY(w.viewModels->dashboardViewModel().selectedVideoURLs().isEmpty());
        QVERIFY(shown(w.find<QLabel>("dropTitle")));
        QVERIFY(!shown(clearAll));
        QVERIFY(!start->isEnabled());
    }
}

void TestViews::realDropOfFiles()
{
    WindowFixture w;
    auto* area = w.find<views::DropArea>("dropArea");
    DashboardViewModel& vm = w.viewModels->dashboardViewModel();
    const QList<QUrl> urls {w.file("clip.MOV"), w.file("notes.txt"), w.file("photo.heic")};

    QVERIFY(dragFiles(area, urls, false));
    QVERIFY(vm.isDropTargeted());
    QDragLeaveEvent leave;
    QApplication::sendEvent(area, &leave);
    QVERIFY(!vm.isDropTargeted());

    QVERIFY(dragFiles(area, urls, true));
    QVERIFY(!vm.isDropTargeted());
    QCOMPARE(vm.selectedVideoURLs(), (QList<QUrl> {urls[0], urls[2]}));
    QCOMPARE(w.container->toastManager().activeToast()->message, QString("Added 2 files"));
    QCOMPARE(area->accessibleName(), QString("2 files selected"));

    // Dropping nothing usable is still taken, and changes nothing.
    QVERIFY(dragFiles(area, {w.file("readme.txt")}, true));
    QCOMPARE(vm.selectedVideoURLs().size(), 2);
}

void TestViews::keyboardAddsAndStarts()
{
    WindowFixture w;
    w.choosePlaylist(2);
    w.container->jobService().pauseQueue(); // the stand-in clips are never rendered
    DashboardViewModel& vm = w.viewModels->dashboardViewModel();
    w.content->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.content.get()));

    // Clicking the empty area opens the picker; three chosen files are added.
    QTest::mouseClick(w.find<views::DropArea>("dropArea"), Qt::LeftButton);
    auto* picker = w.content->window()->findChild<QFileDialog*>("filePicker");
    QVERIFY(picker && picker->isVisible());
    QCOMPARE(picker->fileMode(), QFileDialog::ExistingFiles);
    QVERIFY(picker->nameFilters().first().contains("*.heic"));
    QVERIFY(vm.showFileImporter());
    const QList<QUrl> chosen {w.file("a.mp4"), w.file("b.mov"), w.file("c.png")};
    picker->setDirectory(w.dir.path());
    picker->selectFile("\"a.mp4\" \"b.mov\" \"c.png\"");
    static_cast<QDialog*>(picker)->accept();
    QVERIFY(!vm.showFileImporter());
    QCOMPARE(vm.selectedVideoURLs(), chosen);
    QCOMPARE(w.container->toastManager().activeToast()->message, QString("Added 3 files"));

    // Ctrl+O presents it again; cancelling changes nothing.
    QTRY_VERIFY(!w.content->window()->findChild<QFileDialog*>("filePicker"));
    w.content->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.content.get()));
    QTest::keyClick(w.content.get(), Qt::Key_O, Qt::ControlModifier);
    picker = w.content->window()->findChild<QFileDialog*>("filePicker");
    QVERIFY(picker && picker->isVisible());
    picker->reject();
    QCOMPARE(vm.selectedVideoURLs().size(), 3);

    // Ctrl+Return starts the batch.
    w.content->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.content.get()));
    QTest::keyClick(w.content.get(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(w.container->modelContainer().fetchCount().value_or(0), 3);
    QVERIFY(vm.selectedVideoURLs().isEmpty());
    QVERIFY(!w.content->startProcessingAction()->isEnabled());
}

void TestViews::settingsRows()
{
    WindowFixture w;
    auto* playlist = w.find<views::ElidedLabel>("playlistSubtitle");
    auto* output = w.find<views::ElidedLabel>("outputSubtitle");
    QCOMPARE(playlist->fullText(), QString("Not Selected"));
    QVERIFY(shown(w.find<QLabel>("playlistChevron")));
    QVERIFY(!shown(w.find<QToolButton>("playlistClearButton")));
    QCOMPARE(output->fullText(), QString("Downloads (Default)"));

    // Choosing a folder of 12 songs in the folder chooser.
    for (int i = 0; i < 12; ++i)
        w.file(QStringLiteral("Songs/song%1.mp3").arg(i));
    QTest::mouseClick(w.find<QWidget>("playlistChooseButton"), Qt::LeftButton);
    auto* chooser = w.content->window()->findChild<QFileDialog*>("playlistFolderDialog");
    QVERIFY(chooser && chooser->isVisible());
    QCOMPARE(chooser->windowTitle(), QString("Select Playlist Folder"));
    QCOMPARE(chooser->fileMode(), QFileDialog::Directory);
    chooser->setDirectory(w.dir.path());
    chooser->selectFile("Songs");
    static_cast<QDialog*>(chooser)->accept();
    QCOMPARE(playlist->fullText(), QString("Songs \u00B7 12 musics"));
    QCOMPARE(w.find<QLabel>("availableSongs")->text(), QString("Available: 12"));
    QVERIFY(!shown(w.find<QLabel>("playlistChevron")));
    auto* clear = w.find<QToolButton>("playlistClearButton");
    QVERIFY(shown(clear));

    // Cancelling the output chooser changes nothing.
    QTest::mouseClick(w.find<QWidget>("outputChooseButton"), Qt::LeftButton);
    chooser = w.content->window()->findChild<QFileDialog*>("outputFolderDialog");
    QVERIFY(chooser && chooser->isVisible());
    QCOMPARE(chooser->windowTitle(), QString("Select Output Folder"));
    chooser->reject();
    QCOMPARE(output->fullText(), QString("Downloads (Default)"));

    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(playlist->fullText(), QString("Not Selected"));
    QCOMPARE(w.find<QLabel>("availableSongs")->text(), QString("Available: 0"));

    // The crossfade slider: 0 is stored but reads back as the 3-second default.
    auto* slider = w.find<QSlider>("crossfadeSlider");
    QCOMPARE(w.find<QLabel>("crossfadeValue")->text(), QString("3.0s"));
    slider->setValue(5);
    QCOMPARE(w.find<QLabel>("crossfadeValue")->text(), QString("2.5s"));
    for (int steps : {0, 6, 0}) {
        slider->setValue(steps);
        QCOMPARE(w.find<QLabel>("crossfadeValue")->text(), QString("3.0s"));
        QCOMPARE(slider->value(), 6);
    }
}

void TestViews::stepperBounds_data()
{
    QTest::addColumn<int>("songs");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("press"); // "plus" or "minus"
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("minusAfter");
    QTest::addColumn<bool>("plusAfter");
    QTest::newRow("default above a small library") << 12 << 15 << "plus" << 15 << true << false;
    QTest::newRow("lowering from above") << 12 << 15 << "minus" << 14 << true << false;
    QTest::newRow("up to the library size") << 12 << 11 << "plus" << 12 << true << false;
    QTest::newRow("down to one") << 12 << 2 << "minus" << 1 << false << true;
    QTest::newRow("not below one") << 12 << 1 << "minus" << 1 << false << true;
    QTest::newRow("no library") << 0 << 15 << "plus" << 15 << true << false;
}

void TestViews::stepperBounds()
{
    QFETCH(int, songs);
    QFETCH(int, count);
    QFETCH(QString, press);
    QFETCH(int, after);
    QFETCH(bool, minusAfter);
    QFETCH(bool, plusAfter);
    WindowFixture w;
    w.choosePlaylist(songs);
    w.container->settingsService().setSongCount(count);
    auto* minus = w.find<QToolButton>("songCountMinus");
    auto* plus = w.find<QToolButton>("songCountPlus");

    QTest::mouseClick(press == "plus" ? plus : minus, Qt::LeftButton);

    QCOMPARE(w.container->settingsService().songCount(), after);
    QCOMPARE(w.find<QLabel>("songCountValue")->text(), QString::number(after));
    QCOMPARE(minus->isEnabled(), minusAfter);
    QCOMPARE(plus->isEnabled(), plusAfter);
}

void TestViews::queueHeaderAndEmptyState_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QString>("count");
    QTest::newRow("none") << 0 << "0 items";
    QTest::newRow("one") << 1 << "1 items";
    QTest::newRow("three") << 3 << "3 items";
}

void TestViews::queueHeaderAndEmptyState()
{
    QFETCH(int, jobs);
    QFETCH(QString, count);
    WindowFixture w;
    for (int i = 0; i < jobs; ++i)
        w.storeJob(QStringLiteral("clip%1").arg(i), qint64(JobStatus::completed));

    QCOMPARE(w.find<QLabel>("jobCount")->text(), count);
    QCOMPARE(shown(w.find<QWidget>("queueEmptyState")), jobs == 0);
    QCOMPARE(shown(w.find<QToolButton>("retryFailedButton")), jobs > 0);
    QCOMPARE(shown(w.find<QToolButton>("clearFinishedButton")), jobs > 0);
    const auto rows = w.content->queue()->rows();
    QCOMPARE(rows.size(), jobs);
    // Newest first.
    if (jobs > 1)
        QCOMPARE(rows.first()->job()->displayName(), QStringLiteral("clip%1").arg(jobs - 1));
}

void TestViews::rowButtonsPerStatus_data()
{
    QTest::addColumn<qint64>("status");
    QTest::addColumn<QString>("icon"); // empty: the spinner
    QTest::addColumn<QString>("action");
    QTest::newRow("pending") << qint64(0) << "clock" << "";
    QTest::newRow("processing") << qint64(1) << "" << "cancelButton";
    QTest::newRow("paused") << qint64(2) << "pause.circle.fill" << "";
    QTest::newRow("completed") << qint64(3) << "checkmark.circle.fill" << "revealButton";
    QTest::newRow("failed") << qint64(4) << "exclamationmark.triangle.fill" << "retryButton";
    QTest::newRow("cancelled") << qint64(5) << "xmark.circle.fill" << "retryButton";
    QTest::newRow("unknown code reads as pending") << qint64(9) << "clock" << "";
}

void TestViews::rowButtonsPerStatus()
{
    QFETCH(qint64, status);
    QFETCH(QString, icon);
    QFETCH(QString, action);
    WindowFixture w;
    w.container->jobService().pauseQueue();
    MixJob* job = w.storeJob("beach", status);
    const auto rows = w.content->queue()->rows();
    QCOMPARE(rows.size(), 1);
    views::JobRow* row = rows.first();
    QTRY_VERIFY(!row->graphicsEffect()); // its entrance has ended: clicks land on it

    QCOMPARE(shown(row->findChild<QWidget*>("statusSpinner")), icon.isEmpty());
    if (!icon.isEmpty())
        QCOMPARE(symbolOf(row->findChild<QLabel*>("statusIcon")), icon);
    for (const char* name : {"cancelButton", "revealButton", "retryButton"})
        QVERIFY2(shown(row->findChild<QToolButton*>(name)) == (action == name), name);
    QVERIFY(shown(row->findChild<QToolButton*>("deleteButton")));
    QCOMPARE(shown(row->findChild<QProgressBar*>("jobProgress")), status == 1);
    QCOMPARE(row->findChild<views::ElidedLabel*>("jobName")->fullText(), QString("beach"));

    if (action == "revealButton") {
        QCOMPARE(row->findChild<QToolButton*>(action)->toolTip(), QString("Show in File Manager"));
        QTest::mouseClick(row->findChild<QToolButton*>(action), Qt::LeftButton);
        QCOMPARE(w.revealed, QList<QUrl> {QUrl::fromLocalFile(w.dir.filePath("beach_mix_1.mp4"))});
    }
    // The row follows its record.
    job->setStatus(JobStatus::processing);
    QVERIFY(shown(row->findChild<QToolButton*>("cancelButton")));
    QVERIFY(shown(row->findChild<QProgressBar*>("jobProgress")));

    QTest::mouseClick(row->findChild<QToolButton*>("deleteButton"), Qt::LeftButton);
    QVERIFY(w.content->queue()->rows().isEmpty());
    QCOMPARE(w.find<QLabel>("jobCount")->text(), QString("0 items"));
}

void TestViews::pauseButtonToggles()
{
    WindowFixture w;
    auto* pause = w.find<QToolButton>("pauseButton");
    QCOMPARE(symbolOf(pause), QString("pause.fill"));
    for (bool paused : {true, false}) {
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(w.container->jobService().isQueuePaused(), paused);
        QCOMPARE(symbolOf(pause), paused ? QString("play.fill") : QString("pause.fill"));
        QCOMPARE(pause->toolTip(), paused ? QString("Resume Queue") : QString("Pause Queue"));
    }
}

void TestViews::clearConfirmation_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("Cancel keeps every job") << "clearCancelButton"
                                            << QStringList {"waiting", "paused", "failed", "done", "stopped"};
    QTest::newRow("Clear keeps unfinished jobs") << "clearConfirmButton" << QStringList {"waiting", "paused"};
}

void TestViews::clearConfirmation()
{
    QFETCH(QString, button);
    QFETCH(QStringList, left);
    WindowFixture w;
    w.container->jobService().pauseQueue();
    w.storeJob("stopped", 5);
    w.storeJob("done", 3);
    w.storeJob("failed", 4);
    w.storeJob("paused", 2);
    w.storeJob("waiting", 0);

    QTest::mouseClick(w.find<QToolButton>("clearFinishedButton"), Qt::LeftButton);
    QVERIFY(w.viewModels->queueViewModel().showClearConfirmation());
    auto* box = w.content->window()->findChild<QMessageBox*>("clearConfirmation");
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->text(), QString("Clear Finished Jobs?"));
    QCOMPARE(box->informativeText(),
             QString("This will remove all completed and failed jobs from the list. Files will remain on disk."));
    QTest::mouseClick(box->findChild<QPushButton*>(button), Qt::LeftButton);

    QTRY_VERIFY(!w.viewModels->queueViewModel().showClearConfirmation());
    QStringList names;
    for (views::JobRow* row : w.content->queue()->rows())
        names << row->job()->displayName();
    QCOMPARE(names, left);
}

void TestViews::toastReplacedAndDismissed()
{
    WindowFixture w;
    ToastManager& toasts = w.container->toastManager();
    views::ToastView* banner = w.content->toast();
    QVERIFY(!banner->isVisible());
    // The panes fill the window side by side, nothing over them.
    const QRect left(w.find<QWidget>("dashboardPane")->mapTo(w.content.get(), QPoint()), QSize(350, 520));
    const QRect right(w.find<QWidget>("queuePane")->mapTo(w.content.get(), QPoint()), QSize(450, 520));
    QCOMPARE(w.find<QWidget>("dashboardPane")->geometry().size(), left.size());
    QCOMPARE(w.find<QWidget>("queuePane")->geometry().size(), right.size());
    QCOMPARE(left.united(right), w.content->rect());

    toasts.show("Added 1 file", ToastType::success);
    QTRY_COMPARE(banner->geometry().top(), views::ContentView::toastTop - views::ToastView::shadowMargin);
    QCOMPARE(banner->message(), QString("Added 1 file"));
    QCOMPARE(symbolOf(banner->findChild<QLabel*>("toastIcon")), QString("checkmark.circle.fill"));

    toasts.show("Started 1 job", ToastType::info);
    QCOMPARE(banner->message(), QString("Started 1 job"));
    QCOMPARE(symbolOf(banner->findChild<QLabel*>("toastIcon")), QString("info.circle.fill"));
    QCOMPARE(w.content->findChildren<views::ToastView*>().size(), 1);
    QVERIFY(banner->width() <= views::ToastView::maximumBannerWidth + 2 * views::ToastView::shadowMargin);

    QTest::mouseClick(banner->findChild<QToolButton*>("toastClose"), Qt::LeftButton);
    QVERIFY(!toasts.activeToast());
    QTRY_VERIFY(!banner->isVisible());
}

// Screen readers and these tests find controls by name: every button and
// slider, in every state, has an object name and an accessible name.
void TestViews::everyControlIsNamed()
{
    WindowFixture w;
    w.choosePlaylist(2);
    w.container->jobService().pauseQueue();
    for (qint64 status = 0; status <= 5; ++status)
        w.storeJob(QStringLiteral("job%1").arg(status), status);
    w.viewModels->dashboardViewModel().addFiles({w.file("clip.mp4")});
    w.container->toastManager().show("Added 1 file", ToastType::success);
    w.container->settingsService().chooseOutputFolder(QUrl::fromLocalFile(w.dir.path()));

    QList<QWidget*> controls;
    for (auto* b : w.content->findChildren<QAbstractButton*>())
        controls << b;
    for (auto* s : w.content->findChildren<QAbstractSlider*>()) {
        if (!qobject_cast<QScrollBar*>(s))
            controls << s;
    }
    QVERIFY(controls.size() > 20);
    for (QWidget* control : controls) {
        const auto* button = qobject_cast<QAbstractButton*>(control);
        const QString spoken = !control->accessibleName().isEmpty() ? control->accessibleName()
                                                                     : (button ? button->text() : QString());
        QVERIFY2(!control->objectName().isEmpty(), qPrintable(spoken + " has no object name"));
        QVERIFY2(!spoken.trimmed().isEmpty(), qPrintable(control->objectName() + " has no accessible name"));
    }
}

// Switching to a dark theme while the window is open restyles it exactly as a
// window opened in the dark theme.
void TestViews::followsAThemeSwitch()
{
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(0x33, 0x34, 0x38), QColor(0x26, 0x27, 0x2B));
    dark.setColor(QPalette::Base, QColor(0x1C, 0x1D, 0x20));
    dark.setColor(QPalette::WindowText, QColor(0xEC, 0xEC, 0xEE));
    dark.setColor(QPalette::Text, QColor(0xEC, 0xEC, 0xEE));
    dark.setColor(QPalette::Highlight, QColor(0x3D, 0x8B, 0xF7));
    auto windowWithContent = [] {
        auto w = std::make_unique<WindowFixture>();
        w->choosePlaylist(3);
        w->container->jobService().pauseQueue();
        for (qint64 status : {0, 2, 3, 4, 5})
            w->storeJob(QStringLiteral("job%1").arg(status), status);
        w->viewModels->dashboardViewModel().setSelectedVideoURLs({w->file("clip.mp4")});
        // The new cards have arrived once their entrance effect is gone.
        const auto arrived = [&w] {
            for (views::JobRow* row : w->content->queue()->rows()) {
                if (row->graphicsEffect())
                    return false;
            }
            return true;
        };
        if (!QTest::qWaitFor(arrived))
            qWarning("the queue cards are still arriving");
        QCoreApplication::processEvents(); // the layout their last frame asked for
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus(); // a focus ring would tell the two windows apart
        return w;
    };

    auto switched = windowWithContent();
    const QImage beforeSwitch = switched->content->grab().toImage();
    QApplication::setPalette(dark);
    QCoreApplication::processEvents(); // restyling posted by the palette change
    const QImage afterSwitch = switched->content->grab().toImage();
    auto fresh = windowWithContent();
    const QImage openedDark = fresh->content->grab().toImage();
    QApplication::setPalette(light);

    QVERIFY(afterSwitch != beforeSwitch);
    QCOMPARE(afterSwitch, openedDark);
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
