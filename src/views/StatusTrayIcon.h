#pragma once
// The tray item. Tray icons are square, so the icon is the activity dot in the
// thermal colour (pulsing while rendering) and the "rendering" / "not
// running" word, with the queue's time left, goes into its tooltip. Its menu brings the window back,
// pauses or resumes the queue, checks for updates and quits.

#include <QSystemTrayIcon>
#include <QVariantAnimation>

class CheckForUpdatesViewModel;
class QAction;
class StatusItemViewModel;

namespace views {

class StatusTrayIcon : public QSystemTrayIcon {
    Q_OBJECT
public:
    StatusTrayIcon(StatusItemViewModel& statusItem, CheckForUpdatesViewModel& updates, QObject* parent = nullptr);
    ~StatusTrayIcon() override;

    QAction* showAction() const { return m_show; }
    QAction* pauseAction() const { return m_pause; }
    QAction* updatesAction() const { return m_updates; }
    QAction* quitAction() const { return m_quit; }

signals:
    void showWindowRequested();
    void quitRequested();

private:
    void refresh();
    void refreshToolTip();
    void renderIcon();

    StatusItemViewModel& m_statusItem;
    CheckForUpdatesViewModel& m_updatesViewModel;
    QAction* m_show = nullptr;
    QAction* m_pause = nullptr;
    QAction* m_updates = nullptr;
    QAction* m_quit = nullptr;
    QVariantAnimation m_pulse;
    qreal m_phase = 0;
};

} // namespace views
