#pragma once
// One job's card in the queue: its status icon (a spinner while it runs), the
// name and status line with the time left beside it, the action its status
// offers, delete, and a progress bar only while it runs. Follows its record as
// the queue changes it; the list rebinds a card to another record as it
// scrolls.

#include "models/JobStatus.h"
#include "views/Card.h"

#include <QPointer>

class MixJob;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QToolButton;
class QueueViewModel;

namespace views {

class ElidedLabel;
class Spinner;

class JobRow : public Card {
    Q_OBJECT
public:
    JobRow(MixJob* job, QueueViewModel& viewModel, QWidget* parent = nullptr);

    MixJob* job() const;
    // Shows `job` (none: shows nothing) and follows it instead of the last one.
    void setJob(MixJob* job);
    // The card's height for a job in `status`, whichever job it shows: the
    // list places the jobs it has no card for by it.
    int heightFor(JobStatus status) const;

protected:
    // Delete removes the job whose card holds the keyboard focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QHBoxLayout* buildLine();
    QProgressBar* buildProgress();
    void refresh();
    QString shownStatusMessage() const;

    QPointer<MixJob> m_job;
    QMetaObject::Connection m_following;
    QueueViewModel& m_viewModel;
    QLabel* m_statusIcon = nullptr;
    Spinner* m_spinner = nullptr;
    ElidedLabel* m_name = nullptr;
    ElidedLabel* m_message = nullptr;
    QLabel* m_timeLeft = nullptr;
    QToolButton* m_cancel = nullptr;
    QToolButton* m_reveal = nullptr;
    QToolButton* m_retry = nullptr;
    QToolButton* m_delete = nullptr;
    QProgressBar* m_progress = nullptr;
};

} // namespace views
