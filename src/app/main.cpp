// loopcaster: the desktop app. Opens the job store (or stops), builds the
// service container, and shows the application shell (window and tray). On a
// machine without a display it renders the demo movie headlessly instead.

#include "app/AppDependencyContainer.h"
#include "app/HeadlessDemo.h"
#include "app/LoopcasterApp.h"
#include "models/JobStore.h"
#include "platform/ConsoleLine.h"
#include "services/RemuxWorker.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>

extern "C" {
#include <libavutil/log.h>
}

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
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
    // Names data/loopcaster.desktop, which the notifications also name.
    QApplication::setDesktopFileName(QStringLiteral("loopcaster"));

    QString error;
    auto store = JobStore::open(JobStore::defaultPath(), &error);
    if (!store) {
        printConsoleLine(QStringLiteral("Failed to create ModelContainer: ") + error);
        return 1;
    }

    int exitCode = 0;
    {
        AppDependencyContainer container(std::move(store));
        LoopcasterApp shell(container);
        shell.showWindow();
        // `loopcaster FILE...` (a file manager's "Open With") adds the files
        // as if they were dropped.
        const QStringList files = QCoreApplication::arguments().mid(1);
        if (!files.isEmpty())
            shell.openFiles(files);
        exitCode = app.exec();
    }
    // Leaving the scope cancelled the running jobs; give their threads a
    // moment to unwind before the process takes the media libraries down.
    QDeadlineTimer unwind(3000);
    while (RemuxWorker::activeRunCount() > 0 && !unwind.hasExpired())
        QThread::msleep(20);
    return exitCode;
}
