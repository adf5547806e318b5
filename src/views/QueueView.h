#pragma once
// The right pane: the "Job Queue" header (activity dot, pause/resume, retry
// failed, clear finished, the count), the job cards newest first or the empty
// state, and the "Clear Finished Jobs?" confirmation.

#include <QWidget>

class MixJob;
class QHBoxLayout;
class QLabel;
class QMessageBox;
class QStackedWidget;
class QToolButton;
class QueueViewModel;

namespace views {

class JobListView;
class JobRow;
class PulseIndicator;

class QueueView : public QWidget {
    Q_OBJECT
public:
    explicit QueueView(QueueViewModel& viewModel, QWidget* parent = nullptr);

    // The cards in the viewport, in screen order (tests and accessibility
    // walk them); the jobs scrolled away have none.
    QList<JobRow*> rows() const;

private:
    QHBoxLayout* buildHeader();
    JobListView* buildList();
    void followViewModel();
    void refreshHeader();
    void orderTabs();
    void presentClearConfirmation();

    QueueViewModel& m_viewModel;
    PulseIndicator* m_pulse = nullptr;
    QToolButton* m_pause = nullptr;
    QToolButton* m_retryFailed = nullptr;
    QToolButton* m_clearFinished = nullptr;
    QLabel* m_count = nullptr;
    QStackedWidget* m_content = nullptr;
    JobListView* m_list = nullptr;
    QMessageBox* m_confirmation = nullptr;
};

} // namespace views
