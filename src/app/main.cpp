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
#include "views/Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <optional>

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

// A store another program holds locked (a backup tool, a database browser)
// usually frees up soon: try again for a while before giving up.
Result<std::unique_ptr<JobStore>, JobStoreSchema::Error> openStoreRetrying()
{
    constexpr int kAttempts = 20;
    constexpr int kRetryMs = 500;
    auto store = JobStore::open(JobStore::defaultPath());
    for (int attempt = 1; !store && store.error().locked && attempt < kAttempts; ++attempt) {
        if (attempt == 1)
            printConsoleLine(lcApp(), store.error().text + QStringLiteral("; trying again"));
        QEventLoop pause;
        QTimer::singleShot(kRetryMs, &pause, &QEventLoop::quit);
        pause.exec();
        store = JobStore::open(JobStore::defaultPath());
    }
    return store;
}

// The menu, the tray and a closed last window end the loop at once: their
// runs are stopped here and unwind on the event loop, so the services they
// report to outlive them and nothing waits for a thread. Then what the runs
// changed is saved; a store locked by another program gets a few seconds to
// let go (the next start also recognises a committed movie by itself).
void finishQuitting(JobService& jobs, JobStore& store)
{
    if (jobs.hasLiveRenders()) {
        QEventLoop unwinding;
        QObject::connect(&jobs, &JobService::rendersStopped, &unwinding, &QEventLoop::quit);
        jobs.stopForQuit();
        unwinding.exec();
    }
    if (store.save())
        return;
    constexpr int kSaveWaitMs = 5000;
    QEventLoop saving;
    QObject::connect(&store, &JobStore::flushed, &saving, &QEventLoop::quit);
    QTimer::singleShot(kSaveWaitMs, &saving, &QEventLoop::quit);
    saving.exec();
}

// The services and the window, from the first event to the last save.
int runShell(std::unique_ptr<JobStore> store, QuitSignalWatcher& quitSignals,
             const QMetaObject::Connection& quitOnSignal, SingleInstance& instance, const QStringList& files)
{
    AppDependencyContainer container(std::move(store));
    // From now on a quit signal stops the runs first, keeping their jobs
    // for the next start; the app quits once every run has unwound.
    JobService& jobs = container.jobService();
    QObject::disconnect(quitOnSignal);
    QObject::connect(&quitSignals, &QuitSignalWatcher::quitRequested, &jobs, &JobService::stopForQuit);
    const auto exitWhenStopped =
        QObject::connect(&jobs, &JobService::rendersStopped, qApp, [] { QCoreApplication::exit(0); });
    LoopcasterApp shell(container);
    // A later launch (a file manager's "Open With" while we run) brings
    // the window forward and adds its files as if they were dropped.
    QObject::connect(&instance, &SingleInstance::activationRequested, &shell, &LoopcasterApp::showWindow);
    QObject::connect(&instance, &SingleInstance::filesReceived, &shell, [&shell](const QStringList& files) {
        printConsoleLine(lcApp(), QStringLiteral("Files from another launch: ") + files.join(QStringLiteral(", ")));
        shell.openFiles(files);
    });
    shell.showWindow();
    // `loopcaster FILE...` adds the files as if they were dropped.
    if (!files.isEmpty())
        shell.openFiles(files);
    const int exitCode = QApplication::exec();
    // An exit() from here on would end the waits below at once.
    QObject::disconnect(exitWhenStopped);
    finishQuitting(jobs, container.jobStore());
    return exitCode;
}

// --help and --version answer on any machine, before a window or the demo
// starts; anything else on the command line is a file to add.
std::optional<int> answerInfoOptions(int argc, char** argv)
{
    const QSet<QByteArray> infoOptions {"-h", "--help", "--help-all", "-v", "--version"};
    if (std::none_of(argv + 1, argv + argc, [&](const char* a) { return infoOptions.contains(QByteArray(a)); }))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("loopcaster"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LOOPCASTER_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Turns video clips and photos into long music videos."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QCoreApplication::translate("main", "Videos and images to add to the queue."),
                                 QStringLiteral("[FILE...]"));
    parser.process(app); // exits after answering
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> answered = answerInfoOptions(argc, argv))
        return *answered;
    if (!hasDisplay())
        return runHeadlessDemo(argc, argv);

    QApplication app(argc, argv);
    views::installTranslations(app);
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
        showStartError(QCoreApplication::translate("main", "Loopcaster cannot start."), instance.errorString());
        return 1;
    case SingleInstance::Role::first:
        break;
    }

    auto store = openStoreRetrying();
    if (!store) {
        printConsoleLine(lcApp(), QStringLiteral("Failed to create ModelContainer: ") + store.error().text);
        // The detail names the file and the cause.
        showStartError(QCoreApplication::translate("main", "Loopcaster cannot open its job store."),
                       store.error().text);
        return 1;
    }

    const int exitCode = runShell(std::move(*store), quitSignals, quitOnSignal, instance, files);
    // Every run has unwound and its job is back to pending for the next
    // start, so the media libraries are idle now.
    return exitCode;
}
