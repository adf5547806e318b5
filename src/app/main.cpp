// loopcaster: the desktop app. Opens the job store (or stops), builds the
// service container, and shows the main window and the status item. On a
// machine without a display it renders the demo movie headlessly instead.

#include "app/AppDependencyContainer.h"
#include "app/HeadlessDemo.h"
#include "models/JobStore.h"
#include "platform/ConsoleLine.h"
#include "services/NotificationService.h"
#include "viewmodels/StatusItemViewModel.h"
#include "views/MainWindow.h"
#include "views/StatusTrayIcon.h"

#include <QApplication>

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
    QApplication::setQuitOnLastWindowClosed(false);

    QString error;
    auto store = JobStore::open(JobStore::defaultPath(), &error);
    if (!store) {
        printConsoleLine(QStringLiteral("Failed to create ModelContainer: ") + error);
        return 1;
    }

    int exitCode = 0;
    {
        AppDependencyContainer container(std::move(store));
        MainWindow window(container);
        StatusItemViewModel statusItem(container.jobService(), container.thermalService());
        StatusTrayIcon tray(statusItem);
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            tray.show();
            NotificationService::shared().setFallback(
                [&tray](const QString& title, const QString& body) { tray.showMessage(title, body); });
        } else {
            // Without a tray there is nothing left to quit from once the
            // window is closed.
            QApplication::setQuitOnLastWindowClosed(true);
        }
        window.show();
        exitCode = app.exec();
        NotificationService::shared().setFallback({});
    }
    // Leaving the scope stopped the running jobs, put them back to pending
    // and waited for their threads, so the media libraries are idle now.
    return exitCode;
}
