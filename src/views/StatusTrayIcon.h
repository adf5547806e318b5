#pragma once
// The status item: the rendered queue label as the tray icon, and its menu.

#include <QSystemTrayIcon>

class QAction;
class StatusItemViewModel;

class StatusTrayIcon : public QSystemTrayIcon {
    Q_OBJECT
public:
    StatusTrayIcon(StatusItemViewModel& viewModel, QObject* parent = nullptr);

private:
    void refreshIcon();

    StatusItemViewModel& m_viewModel;
    QAction* m_pauseAction = nullptr;
};
