#include "views/StatusTrayIcon.h"

#include "viewmodels/StatusItemViewModel.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>

StatusTrayIcon::StatusTrayIcon(StatusItemViewModel& viewModel, QObject* parent)
    : QSystemTrayIcon(parent)
    , m_viewModel(viewModel)
{
    auto* menu = new QMenu;
    m_pauseAction = menu->addAction(m_viewModel.pauseTitle(), &m_viewModel, &StatusItemViewModel::togglePause);
    m_pauseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    auto* updates = menu->addAction(QStringLiteral("Check for Updates..."));
    updates->setEnabled(false); // no update feed configured in this build
    menu->addSeparator();
    auto* quit = menu->addAction(QStringLiteral("Quit"), qApp, &QCoreApplication::quit);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    setContextMenu(menu);
    connect(this, &QObject::destroyed, menu, &QObject::deleteLater);

    connect(&m_viewModel, &StatusItemViewModel::pauseTitleChanged, this,
            [this] { m_pauseAction->setText(m_viewModel.pauseTitle()); });
    connect(&m_viewModel, &StatusItemViewModel::labelChanged, this, &StatusTrayIcon::refreshIcon);
    refreshIcon();
}

void StatusTrayIcon::refreshIcon()
{
    const QImage image = m_viewModel.labelImage();
    setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    setToolTip(QStringLiteral("Loopcaster: ") + m_viewModel.statusText());
}
