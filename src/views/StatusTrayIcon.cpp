#include "views/StatusTrayIcon.h"

#include "viewmodels/CheckForUpdatesViewModel.h"
#include "viewmodels/StatusItemViewModel.h"
#include "views/PulseIndicator.h"

#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace views {

StatusTrayIcon::StatusTrayIcon(StatusItemViewModel& statusItem, CheckForUpdatesViewModel& updates, QObject* parent)
    : QSystemTrayIcon(parent)
    , m_statusItem(statusItem)
    , m_updatesViewModel(updates)
{
    auto* menu = new QMenu;
    menu->setObjectName("trayMenu");
    menu->setToolTipsVisible(true); // a disabled command says why
    m_show = menu->addAction(tr("Show Loopcaster"), this, &StatusTrayIcon::showWindowRequested);
    m_pause = menu->addAction(m_statusItem.pauseTitle(), &m_statusItem, &StatusItemViewModel::togglePause);
    m_pause->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    m_updates = menu->addAction(tr("Check for Updates..."), &m_updatesViewModel,
                                &CheckForUpdatesViewModel::checkForUpdates);
    menu->addSeparator();
    m_quit = menu->addAction(tr("Quit"), this, &StatusTrayIcon::quitRequested);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    setContextMenu(menu);

    // Tray hosts redraw a changed icon over the bus, so the pulse is a few
    // frames a second rather than the window's smooth animation.
    m_pulse.setStartValue(0.0);
    m_pulse.setEndValue(1.0);
    m_pulse.setDuration(1200);
    m_pulse.setLoopCount(-1);
    connect(&m_pulse, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const qreal phase = std::round(v.toReal() * 6) / 6;
        if (phase == m_phase)
            return;
        m_phase = phase;
        renderIcon();
    });

    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        if (reason == Trigger || reason == DoubleClick)
            emit showWindowRequested();
    });
    connect(&m_statusItem, &StatusItemViewModel::pauseTitleChanged, this, &StatusTrayIcon::refresh);
    connect(&m_statusItem, &StatusItemViewModel::labelChanged, this, &StatusTrayIcon::refresh);
    // Changes once a second while rendering: the tooltip alone, not the icon.
    connect(&m_statusItem, &StatusItemViewModel::timeLeftTextChanged, this, &StatusTrayIcon::refreshToolTip);
    connect(&m_updatesViewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, this,
            &StatusTrayIcon::refresh);
    refresh();
}

StatusTrayIcon::~StatusTrayIcon()
{
    delete contextMenu();
}

void StatusTrayIcon::refresh()
{
    m_pause->setText(m_statusItem.pauseTitle());
    m_updates->setEnabled(m_updatesViewModel.canCheckForUpdates());
    m_updates->setToolTip(m_updatesViewModel.unavailableReason());
    refreshToolTip();
    if (m_statusItem.isProcessing()) {
        if (m_pulse.state() != QAbstractAnimation::Running)
            m_pulse.start();
    } else {
        m_pulse.stop();
        m_phase = 0;
    }
    renderIcon();
}

void StatusTrayIcon::refreshToolTip()
{
    const QString status = m_statusItem.statusText();
    const QString left = m_statusItem.timeLeftText();
    setToolTip(left.isEmpty() ? tr("Loopcaster: %1").arg(status) : tr("Loopcaster: %1, %2").arg(status, left));
}

void StatusTrayIcon::renderIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        // The whole square is the dot's frame: tray icons are small.
        PulseIndicator::paintDot(p, QRectF(0, 0, size, size), m_statusItem.thermalColor(), m_phase);
        p.end();
        icon.addPixmap(pixmap);
    }
    setIcon(icon);
}

} // namespace views
