// The application shell: files handed over on the command line, and the
// tray item and the queue's activity dot as the queue and the machine change.

#include "../queue/QueueTestKit.h"
#include "WindowFixture.h"

#include "app/LoopcasterApp.h"
#include "viewmodels/CheckForUpdatesViewModel.h"
#include "viewmodels/StatusItemViewModel.h"
#include "viewmodels/QueueViewModel.h"
#include "views/PulseIndicator.h"
#include "views/QueueView.h"
#include "views/StatusTrayIcon.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void openFilesAddsThemAsADrop();
    void trayAndPulseFollowTheQueue_data();
    void trayAndPulseFollowTheQueue();
};

void TestShell::openFilesAddsThemAsADrop()
{
    WindowFixture w;
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
    // This test session has no tray, so closing the window must quit.
    QCOMPARE(QApplication::quitOnLastWindowClosed(), !QSystemTrayIcon::isSystemTrayAvailable());
}

void TestShell::trayAndPulseFollowTheQueue_data()
{
    QTest::addColumn<bool>("paused");
    QTest::addColumn<bool>("rendering");
    QTest::addColumn<int>("thermalLevel");
    QTest::addColumn<QString>("pauseTitle");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("idle") << false << false << 0 << "Pause Queue" << "Loopcaster: not running";
    QTest::newRow("rendering, hot") << false << true << 2 << "Pause Queue" << "Loopcaster: rendering";
    QTest::newRow("paused, critical") << true << false << 3 << "Resume Queue" << "Loopcaster: not running";
}

// The tray item and the queue header's dot follow the same queue and heat.
void TestShell::trayAndPulseFollowTheQueue()
{
    QFETCH(bool, paused);
    QFETCH(bool, rendering);
    QFETCH(int, thermalLevel);
    QFETCH(QString, pauseTitle);
    QFETCH(QString, toolTip);
    QueueFixture f;
    JobService& service = f.start();
    StatusItemViewModel statusItem(service, *f.thermal);
    CheckForUpdatesViewModel updates(QUrl(), QVersionNumber(1));
    views::StatusTrayIcon tray(statusItem, updates);
    QueueViewModel queue(service, *f.store, *f.thermal, {});
    views::QueueView view(queue);
    auto* pulse = view.findChild<views::PulseIndicator*>("pulseIndicator");
    if (rendering)
        service.addJob(f.sourceFile("clip.mov"), {}, QUrl::fromLocalFile(f.dir.path()));
    if (paused)
        service.pauseQueue();
    f.setLevel(thermalLevel);

    QStringList items;
    for (QAction* a : tray.contextMenu()->actions())
        items << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(items, (QStringList {"Show Loopcaster", pauseTitle, "Check for Updates...", "-", "Quit"}));
    QVERIFY(!tray.updatesAction()->isEnabled()); // no feed, no check
    QCOMPARE(tray.toolTip(), toolTip);
    // The tray's square icon is the dot, in the thermal colour, and so is the
    // header's, which pulses exactly while a job renders.
    const QColor heat = ThermalService::colorFor(ThermalService::stateForLevel(thermalLevel));
    QCOMPARE(tray.icon().pixmap(32, 32).toImage().pixelColor(16, 16).rgb(), heat.rgb());
    QCOMPARE(pulse->color(), heat);
    QCOMPARE(pulse->isAnimating(), rendering);
    if (rendering) {
        f.workerFor("clip")->finishRun();
        QTRY_VERIFY(!pulse->isAnimating());
        QCOMPARE(tray.toolTip(), QString("Loopcaster: not running"));
    }

    QSignalSpy shows(&tray, &views::StatusTrayIcon::showWindowRequested);
    emit tray.activated(QSystemTrayIcon::Trigger);
    QCOMPARE(shows.count(), 1);
    tray.pauseAction()->trigger();
    QCOMPARE(service.isQueuePaused(), !paused);
    QCOMPARE(tray.pauseAction()->text(), paused ? QString("Pause Queue") : QString("Resume Queue"));
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
