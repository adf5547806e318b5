#pragma once
#include <QMainWindow>

class AppDependencyContainer;
class JobListModel;
class QLabel;
class QProgressBar;
class QPushButton;

// The main window: the job queue with its statistics and bulk actions.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppDependencyContainer& container, QWidget* parent = nullptr);

private:
    void refreshHeader();

    AppDependencyContainer& m_container;
    JobListModel* m_model = nullptr;
    QLabel* m_summary = nullptr;
    QProgressBar* m_overall = nullptr;
    QPushButton* m_pauseButton = nullptr;
};
