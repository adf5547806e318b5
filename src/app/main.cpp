// loopcaster: the desktop app. Opens the job store (or stops), builds the
// service container, and shows the application shell (window and tray). On a
// machine without a display it renders the demo movie headlessly instead.

#include "app/AppDependencyContainer.h"
#include "app/AppLog.h"
#include "app/HeadlessDemo.h"
#include "app/LoopcasterApp.h"
#include "models/JobStore.h"
#include "platform/ConsoleLine.h"
#include "platform/QuitSignalWatcher.h"
#include "platform/SingleInstance.h"
#include "services/JobService.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

extern "C" {
#include <libavutil/log.h>
}

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Besides the console line: a desktop launch has no console to read.
void showStartError(const QString& text, const QString& detail)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Loopcaster"), text, QMessageBox::Ok);
    box.setInformativeText(detail);
    box.exec();
}

} // namespace

int main(int argc, char** argv)
{
    if (!hasDisplay())
        return runHeadlessDemo(argc, argv);

    QApplication app(argc, argv);
    // The media libraries' informational chatter goes nowhere useful in a
    // desktop app; real failures reach the jobs as error messages.
    av_log_set_level(AV_LOG_ERROR);
    QApplication::setApplicationName(QStringLiteral("loopcaster"));
    QApplication::setOrganizationName(QStringLiteral("loopcaster"));
    // Names the installed launcher entry, which the notifications also name.
    QApplication::setDesktopFileName(QStringLiteral("org.loopcaster.Loopcaster"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Shutdown, logout and Ctrl-C quit in order from here on.
    QuitSignalWatcher quitSignals;
    // exit() rather than quit(): it also ends a dialog's loop.
    auto quitOnSignal = QObject::connect(&quitSignals, &QuitSignalWatcher::quitRequested, &app,
                                         [] { QCoreApplication::exit(1); });

    // A later launch hands its files to the running app and exits, so one
    // job store never has two schedulers.
    SingleInstance instance(JobStore::defaultPath());
    const QStringList files = SingleInstance::absoluteFileArguments(app.arguments().mid(1), QDir::currentPath());
    switch (instance.claim(files)) {
    case SingleInstance::Role::handedOff:
        return 0;
    case SingleInstance::Role::failed:
        printConsoleLine(lcApp(), instance.errorString());
        showStartError(QStringLiteral("Loopcaster cannot start."), instance.errorString());
        return 1;
    case SingleInstance::Role::first:
        break;
    }

    Result<std::unique_ptr<JobStore>> store = JobStore::open(JobStore::defaultPath());
    if (!store) {
        printConsoleLine(lcApp(), QStringLiteral("Failed to create ModelContainer: ") + store.error());
        showStartError(QStringLiteral("Loopcaster cannot open its job store."), store.error()); // names file and cause
        return 1;
    }

    int exitCode = 0;
    {
        AppDependencyContainer container(std::move(*store));
        // From now on a quit signal stops the runs first, keeping their jobs
        // for the next start; the app quits once every run has unwound.
        JobService& jobs = container.jobService();
        QObject::disconnect(quitOnSignal);
        QObject::connect(&quitSignals, &QuitSignalWatcher::quitRequested, &jobs, &JobService::stopForQuit);
        QObject::connect(&jobs, &JobService::runsStopped, &app, [] { QCoreApplication::exit(0); });
        LoopcasterApp shell(container);
        // A later launch (a file manager's "Open With" while we run) brings
        // the window forward and adds its files as if they were dropped.
        QObject::connect(&instance, &SingleInstance::activationRequested, &shell, &LoopcasterApp::showWindow);
        QObject::connect(&instance, &SingleInstance::filesReceived, &shell, [&shell](const QStringList& files) {
            printConsoleLine(lcApp(),
                             QStringLiteral("Files from another launch: ") + files.join(QStringLiteral(", ")));
            shell.openFiles(files);
        });
        shell.showWindow();
        // `loopcaster FILE...` adds the files as if they were dropped.
        if (!files.isEmpty())
            shell.openFiles(files);
        exitCode = app.exec();
    }
    // Leaving the scope stopped the running jobs, put them back to pending
    // and waited for their threads, so the media libraries are idle now.
    return exitCode;
}
