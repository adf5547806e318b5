#pragma once
// The right pane: the "Job Queue" header (activity dot, pause/resume, retry
// failed, clear finished, the count), the job cards newest first or the empty
// state, and the "Clear Finished Jobs?" confirmation.

#include <QHash>
#include <QWidget>

class MixJob;
class QHBoxLayout;
class QLabel;
class QMessageBox;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class QueueViewModel;

namespace views {

class JobRow;
class PulseIndicator;

class QueueView : public QWidget {
    Q_OBJECT
public:
    explicit QueueView(QueueViewModel& viewModel, QWidget* parent = nullptr);

    // The cards in screen order (tests and accessibility walk them).
    QList<JobRow*> rows() const;

private:
    QHBoxLayout* buildHeader();
    QScrollArea* buildList();
    void followViewModel();
    void refreshHeader();
    void insertRows(int first, int last, bool animated = true);
    void removeRows(int first, int last);
    void rebuildRows();
    void orderTabs();
    void presentClearConfirmation();

    QueueViewModel& m_viewModel;
    PulseIndicator* m_pulse = nullptr;
    QToolButton* m_pause = nullptr;
    QToolButton* m_retryFailed = nullptr;
    QToolButton* m_clearFinished = nullptr;
    QLabel* m_count = nullptr;
    QStackedWidget* m_content = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
    // The cards of the listed jobs in model order; cards still leaving stay
    // in the layout a moment longer but are no longer here.
    QList<JobRow*> m_rows;
    QMessageBox* m_confirmation = nullptr;
};

} // namespace views
