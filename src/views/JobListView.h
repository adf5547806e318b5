#pragma once
// The queue's job cards, newest first, over the list model. Only the cards in
// and just around the viewport exist as widgets; scrolling binds them to other
// jobs, so a history of thousands of jobs costs a screenful of cards. Each
// row's height follows from its job's status (a running job's card also shows
// its progress bar); their sums place the cards and size the scroll bar.
// Arriving cards open up, removed ones fold away, and what the user looks at
// stays put while rows above it change.

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QSet>

#include <utility>

class JobListModel;
class MixJob;
class QueueViewModel;

namespace views {

class JobRow;

class JobListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit JobListView(QueueViewModel& viewModel, QWidget* parent = nullptr);

    // The cards at least partly in the viewport, top to bottom.
    QList<JobRow*> shownRows() const;
    // Every card bound to a job (the shown ones and those just around them),
    // top to bottom: the order Tab walks them in.
    QList<JobRow*> boundRows() const;

signals:
    // Cards were bound to other jobs or let go.
    void cardsChanged();

protected:
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A removed job's card while it folds away, before the row now `before`.
    struct Leaving {
        JobRow* row;
        int before;
        int height;
        int top = 0;
    };

    void followModel();
    void insertRows(int first, int last);
    void removeRows(int first, int last);
    void updateRows(int first, int last);
    void resetRows();
    int fullHeight(int row);
    bool animateArrivals();
    void adoptOpeningHeights();
    void scheduleLayout();
    void relayoutIfPending();
    void recomputeTops();
    void relayout();
    bool layoutPass();
    int rowAt(int y) const;
    bool bindRows(int top, int bottom);
    void placeRows(int scrolled);
    void captureAnchor(int scrolled);
    void ensureShown(const JobRow* row);
    JobRow* spareRow();
    void recycle(JobRow* row);
    void leave(JobRow* row, int height);

    QueueViewModel& m_viewModel;
    JobListModel* m_model;
    QList<int> m_heights; // per model row as laid out (an arriving card's as far as it has opened)
    QList<int> m_tops;    // per model row, in the list's coordinates
    int m_contentHeight = 0;
    bool m_dirty = true;
    bool m_laying = false;
    bool m_layoutPending = false;
    int m_idleHeight = 0; // 0 until measured
    int m_runningHeight = 0;
    QHash<const MixJob*, JobRow*> m_bound;
    QList<std::pair<int, JobRow*>> m_laid; // the bound cards by model row, top to bottom
    QList<JobRow*> m_spare;
    QList<Leaving> m_leaving; // by `before`
    QSet<const MixJob*> m_arrived; // inserted since the last layout
    // The row at the top of the viewport and how far into it the view is
    // scrolled; none at the very top, where arrivals are to be seen.
    const MixJob* m_anchor = nullptr;
    int m_anchorOffset = 0;
};

} // namespace views
