#include "app/LoopcasterApp.h"

#include "app/AppDependencyContainer.h"
#include "services/NotificationService.h"
#include "services/ToastManager.h"
#include "viewmodels/StatusItemViewModel.h"
#include "views/AppIcon.h"
#include "views/ContentView.h"
#include "views/MessageBoxFit.h"
#include "views/PreferencesDialog.h"
#include "views/StatusTrayIcon.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>

#ifndef LOOPCASTER_VERSION
#define LOOPCASTER_VERSION "0.0.0"
#endif
#ifndef LOOPCASTER_APPCAST_URL
#define LOOPCASTER_APPCAST_URL ""
#endif

namespace {

ViewModelContainer::Options viewModelOptions(FileManagerReveal& reveal)
{
    ViewModelContainer::Options options;
    options.revealFile = [&reveal](const QUrl& file) { reveal.reveal(file); };
    return options;
}

// A command-line argument as a file URL: file managers pass paths (or
// file: URIs), relative to wherever the app was started.
QUrl fileUrlFor(const QString& argument)
{
    const QUrl asUrl(argument);
    if (asUrl.isLocalFile())
        return asUrl;
    return QUrl::fromLocalFile(QFileInfo(QDir::current(), argument).absoluteFilePath());
}

} // namespace

LoopcasterApp::LoopcasterApp(AppDependencyContainer& container, QObject* parent)
    : QObject(parent)
    , m_container(container)
    , m_viewModels(container.viewModelServices(), viewModelOptions(m_reveal))
    , m_updates(QUrl(QStringLiteral(LOOPCASTER_APPCAST_URL)), QVersionNumber::fromString(LOOPCASTER_VERSION))
{
    QApplication::setWindowIcon(views::appIcon());
    m_window = std::make_unique<QMainWindow>();
    m_window->setObjectName("mainWindow");
    m_window->setWindowTitle(QStringLiteral("Loopcaster"));
    m_content = new views::ContentView(m_viewModels, m_window.get());
    m_window->setCentralWidget(m_content);
    // The content has a fixed size; the window follows it and cannot be resized.
    m_window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    buildMenus();
    setUpTray();
    connect(&m_reveal, &FileManagerReveal::revealFailed, this, [this](const QUrl& folder) {
        m_container.toastManager().show(tr("Could not show the folder %1").arg(folder.toLocalFile()),
                                        ToastType::error, 5.0);
    });
    connect(&m_updates, &CheckForUpdatesViewModel::reportReady, this, &LoopcasterApp::showUpdateReport);
}

LoopcasterApp::~LoopcasterApp()
{
    m_container.notificationService().setFallback({});
}

void LoopcasterApp::buildMenus()
{
    QMenu* app = m_window->menuBar()->addMenu(tr("&Loopcaster"));
    app->setToolTipsVisible(true); // a disabled command says why
    QAction* about = app->addAction(tr("About Loopcaster"), this, &LoopcasterApp::showAbout);
    about->setObjectName("aboutAction");
    about->setMenuRole(QAction::AboutRole);
    QAction* updates =
        app->addAction(tr("Check for Updates..."), &m_updates, &CheckForUpdatesViewModel::checkForUpdates);
    updates->setObjectName("checkForUpdatesAction");
    const auto followUpdates = [this, updates] {
        updates->setEnabled(m_updates.canCheckForUpdates());
        updates->setToolTip(m_updates.unavailableReason());
    };
    followUpdates();
    connect(&m_updates, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, updates, followUpdates);
    app->addSeparator();
    QAction* quit = app->addAction(tr("Quit"), qApp, &QCoreApplication::quit);
    quit->setObjectName("quitAction");
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu* file = m_window->menuBar()->addMenu(tr("&File"));
    file->addAction(m_content->addFilesAction());
    file->addAction(m_content->startProcessingAction());
    file->addSeparator();
    // The same toggle as the tray's, for desktops without a tray.
    StatusItemViewModel& status = m_viewModels.statusItemViewModel();
    QAction* pause = file->addAction(status.pauseTitle(), &status, &StatusItemViewModel::togglePause);
    pause->setObjectName("pauseQueueAction");
    pause->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(&status, &StatusItemViewModel::pauseTitleChanged, pause,
            [pause, &status] { pause->setText(status.pauseTitle()); });

    QMenu* edit = m_window->menuBar()->addMenu(tr("&Edit"));
    QAction* preferences = edit->addAction(tr("Preferences..."), this, &LoopcasterApp::showPreferences);
    preferences->setObjectName("preferencesAction");
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
}

void LoopcasterApp::showPreferences()
{
    if (!m_preferences)
        m_preferences = new views::PreferencesDialog(m_viewModels.preferencesViewModel(), m_window.get());
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

void LoopcasterApp::setUpTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Without a tray nothing would be left to quit from once the window
        // is closed, so closing it quits.
        QApplication::setQuitOnLastWindowClosed(true);
        return;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    m_tray = std::make_unique<views::StatusTrayIcon>(m_viewModels.statusItemViewModel(), m_updates);
    connect(m_tray.get(), &views::StatusTrayIcon::showWindowRequested, this, &LoopcasterApp::showWindow);
    connect(m_tray.get(), &views::StatusTrayIcon::quitRequested, qApp, &QCoreApplication::quit);
    m_tray->show();
    views::StatusTrayIcon* tray = m_tray.get();
    m_container.notificationService().setFallback(
        [tray](const QString& title, const QString& body) { tray->showMessage(title, body); });
}

void LoopcasterApp::showWindow()
{
    m_window->show();
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->raise();
    m_window->activateWindow();
}

void LoopcasterApp::openFiles(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << fileUrlFor(path);
    m_viewModels.dashboardViewModel().addFiles(urls);
    showWindow();
}

void LoopcasterApp::showAbout()
{
    auto* box = new QMessageBox(QMessageBox::NoIcon, tr("About Loopcaster"),
                                QStringLiteral("<b>Loopcaster %1</b>").arg(LOOPCASTER_VERSION), QMessageBox::Ok,
                                m_window.get());
    box->setIconPixmap(views::appIcon().pixmap(64, 64));
    box->setInformativeText(tr("Turns a clip or a photo into a long music video with a crossfaded mix "
                               "of your songs."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    views::fitMessageBox(box);
    box->open();
}

void LoopcasterApp::showUpdateReport(const UpdateReport& report)
{
    auto* box = new QMessageBox(report.isError ? QMessageBox::Warning : QMessageBox::Information, report.title,
                                report.title, QMessageBox::Ok, m_window.get());
    box->setObjectName("updateReport");
    // The text carries what the feed says: it is shown as it is written,
    // never as markup that could load images or offer links.
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(Qt::convertFromPlainText(report.text));
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (report.link.isValid() && !report.link.isEmpty()) {
        QPushButton* get = box->addButton(tr("Get the New Version"), QMessageBox::AcceptRole);
        const QUrl link = report.link;
        connect(get, &QPushButton::clicked, this, [link] { QDesktopServices::openUrl(link); });
    }
    views::fitMessageBox(box);
    box->open();
}
