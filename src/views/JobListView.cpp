#include "views/JobListView.h"

#include "models/JobListModel.h"
#include "models/MixJob.h"
#include "viewmodels/QueueViewModel.h"
#include "views/JobRow.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGraphicsOpacityEffect>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QSet>
#include <QToolButton>

#include <algorithm>

namespace views {

namespace {

constexpr int spacing = 12; // between cards

// Opens a card up to `full` (or folds it away from there) while fading it in
// (or out).
QParallelAnimationGroup* animateCard(JobRow* row, bool entering, int full)
{
    auto* fade = new QGraphicsOpacityEffect(row);
    row->setGraphicsEffect(fade);
    auto* motion = new QParallelAnimationGroup(row);
    auto* opacity = new QPropertyAnimation(fade, "opacity", motion);
    auto* height = new QPropertyAnimation(row, "maximumHeight", motion);
    opacity->setStartValue(entering ? 0.0 : 1.0);
    opacity->setEndValue(entering ? 1.0 : 0.0);
    height->setStartValue(entering ? 0 : full);
    height->setEndValue(entering ? full : 0);
    for (auto* a : {opacity, height}) {
        a->setDuration(220);
        a->setEasingCurve(entering ? QEasingCurve::OutCubic : QEasingCurve::InCubic);
    }
    // From the first frame on, before the animation's first step.
    fade->setOpacity(opacity->startValue().toReal());
    row->setMaximumHeight(height->startValue().toInt());
    return motion;
}

// Whether the card is still opening up (its entrance holds it shorter).
bool opening(const JobRow* row)
{
    return row->maximumHeight() < QWIDGETSIZE_MAX;
}

} // namespace

JobListView::JobListView(QueueViewModel& viewModel, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_viewModel(viewModel)
    , m_model(viewModel.jobs())
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus); // Tab goes to the cards' buttons, which it scrolls into view
    viewport()->setBackgroundRole(QPalette::NoRole);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(20);
    followModel();
    resetRows();
}

void JobListView::followModel()
{
    connect(m_model, &JobListModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { insertRows(first, last); });
    connect(m_model, &JobListModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { removeRows(first, last); });
    connect(m_model, &JobListModel::rowsRemoved, this, &JobListView::scheduleLayout);
    connect(m_model, &JobListModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) { updateRows(from.row(), to.row()); });
    connect(m_model, &JobListModel::modelReset, this, &JobListView::resetRows);
}

QList<JobRow*> JobListView::boundRows() const
{
    const_cast<JobListView*>(this)->relayoutIfPending();
    QList<JobRow*> rows;
    for (const auto& [row, card] : m_laid)
        rows << card;
    return rows;
}

QList<JobRow*> JobListView::shownRows() const
{
    const_cast<JobListView*>(this)->relayoutIfPending();
    const int scrolled = verticalScrollBar()->value();
    const int bottom = scrolled + viewport()->height();
    QList<JobRow*> rows;
    for (const auto& [row, card] : m_laid) {
        // A card just arriving counts from its first frame, before it has any height.
        if (m_tops[row] < bottom && m_tops[row] + std::max(1, m_heights[row]) > scrolled)
            rows << card;
    }
    return rows;
}

int JobListView::fullHeight(int row)
{
    if (m_idleHeight == 0) {
        JobRow* probe = spareRow();
        m_idleHeight = probe->heightFor(JobStatus::pending);
        m_runningHeight = probe->heightFor(JobStatus::processing);
        recycle(probe);
    }
    const MixJob* job = m_model->jobAt(row);
    return job && job->status() == JobStatus::processing ? m_runningHeight : m_idleHeight;
}

void JobListView::insertRows(int first, int last)
{
    const int count = last - first + 1;
    for (int row = first; row <= last; ++row) {
        m_heights.insert(row, fullHeight(row));
        m_arrived.insert(m_model->jobAt(row));
    }
    for (Leaving& leaving : m_leaving)
        leaving.before += leaving.before >= first ? count : 0;
    m_laid.clear(); // their rows are stale until the next layout
    m_dirty = true;
    scheduleLayout();
}

// Only the arrivals the user can see come with a motion; the others are
// simply there when scrolled to.
bool JobListView::animateArrivals()
{
    bool any = false;
    for (const auto& [row, card] : std::as_const(m_laid)) {
        if (!m_arrived.contains(card->job()))
            continue;
        QParallelAnimationGroup* entrance = animateCard(card, true, m_heights[row]);
        connect(entrance, &QParallelAnimationGroup::finished, card, [card] {
            card->setGraphicsEffect(nullptr);
            card->setMaximumHeight(QWIDGETSIZE_MAX);
        });
        entrance->start(QAbstractAnimation::DeleteWhenStopped);
        any = true;
    }
    m_arrived.clear();
    return any;
}

void JobListView::removeRows(int first, int last)
{
    const int count = last - first + 1;
    for (Leaving& leaving : m_leaving)
        leaving.before = leaving.before > last ? leaving.before - count : std::min(leaving.before, first);
    // Removed cards fold away where they were, before the row that follows them.
    auto at = std::find_if(m_leaving.begin(), m_leaving.end(), [first](const Leaving& l) { return l.before > first; });
    for (int row = first; row <= last; ++row) {
        const MixJob* job = m_model->jobAt(row);
        if (job == m_anchor)
            m_anchor = nullptr; // the view keeps its scrolled distance instead
        m_arrived.remove(job);
        if (JobRow* card = m_bound.take(job)) {
            at = m_leaving.insert(at, Leaving {card, first, m_heights[row]}) + 1;
            leave(card, m_heights[row]);
        }
    }
    m_heights.remove(first, count);
    m_laid.clear(); // their rows are stale until the next layout
    m_dirty = true;
}

void JobListView::leave(JobRow* card, int height)
{
    // The card folds away and is let go afterwards, never at once: the
    // removal may come from a click on its own delete button.
    card->setEnabled(false);
    for (auto* entrance : card->findChildren<QParallelAnimationGroup*>())
        entrance->stop(); // a card removed while still arriving
    QParallelAnimationGroup* exit = animateCard(card, false, height);
    connect(exit, &QParallelAnimationGroup::finished, card, [this, card] {
        m_leaving.removeIf([card](const Leaving& l) { return l.row == card; });
        card->setGraphicsEffect(nullptr);
        card->setMaximumHeight(QWIDGETSIZE_MAX);
        recycle(card);
        m_dirty = true;
        scheduleLayout();
    });
    exit->start(QAbstractAnimation::DeleteWhenStopped);
}

void JobListView::updateRows(int first, int last)
{
    for (int row = first; row <= last && row < m_heights.size(); ++row) {
        const JobRow* card = m_bound.value(m_model->jobAt(row));
        const int height = std::min(fullHeight(row), card ? card->maximumHeight() : QWIDGETSIZE_MAX);
        m_dirty |= std::exchange(m_heights[row], height) != height;
    }
    if (m_dirty)
        scheduleLayout();
}

void JobListView::resetRows()
{
    for (JobRow* card : std::as_const(m_bound))
        recycle(card);
    m_bound.clear();
    m_laid.clear();
    m_anchor = nullptr;
    m_heights.clear();
    const int count = m_model->rowCount();
    for (int row = 0; row < count; ++row)
        m_heights << fullHeight(row);
    m_arrived.clear(); // a whole list appears at once
    m_dirty = true;
    scheduleLayout();
}

// The cards opening up or folding away have changed height.
void JobListView::adoptOpeningHeights()
{
    for (const auto& [row, card] : std::as_const(m_laid)) {
        const int height = std::min(fullHeight(row), card->maximumHeight());
        m_dirty |= std::exchange(m_heights[row], height) != height;
    }
    m_dirty |= !m_leaving.isEmpty();
}

// Changes of the model come in bursts (a whole batch added, the finished
// ones cleared): one layout after them all, so that only what is then in
// view gets cards, and motions.
void JobListView::scheduleLayout()
{
    if (std::exchange(m_layoutPending, true))
        return;
    QMetaObject::invokeMethod(this, &JobListView::relayoutIfPending, Qt::QueuedConnection);
}

void JobListView::relayoutIfPending()
{
    if (m_layoutPending)
        relayout();
}

void JobListView::recomputeTops()
{
    const int count = int(m_heights.size());
    m_tops.resize(count);
    int y = 0;
    auto leaving = m_leaving.begin();
    for (int row = 0; row <= count; ++row) {
        for (; leaving != m_leaving.end() && (leaving->before <= row || row == count); ++leaving) {
            leaving->top = y;
            y += std::min(leaving->height, leaving->row->maximumHeight()) + spacing;
        }
        if (row == count)
            break;
        m_tops[row] = y;
        y += m_heights[row] + spacing;
    }
    m_contentHeight = std::max(0, y - spacing);
    m_dirty = false;
}

// The last row whose top is at or above `y`.
int JobListView::rowAt(int y) const
{
    const auto after = std::upper_bound(m_tops.cbegin(), m_tops.cend(), y);
    return std::max(0, int(after - m_tops.cbegin()) - 1);
}

void JobListView::relayout()
{
    if (m_laying || m_heights.size() != m_model->rowCount())
        return; // within a layout, or between a removal's two signals
    m_laying = true;
    m_layoutPending = false;
    bool changed = layoutPass();
    if (animateArrivals()) {
        adoptOpeningHeights();
        changed |= layoutPass();
    }
    m_laying = false;
    if (changed)
        emit cardsChanged();
}

bool JobListView::layoutPass()
{
    if (m_dirty)
        recomputeTops();
    QScrollBar* bar = verticalScrollBar();
    const int height = viewport()->height();
    bar->setPageStep(height);
    bar->setRange(0, std::max(0, m_contentHeight - height));
    const int anchorRow = m_model->rowOf(m_anchor);
    if (anchorRow >= 0)
        bar->setValue(m_tops[anchorRow] + m_anchorOffset);
    const int scrolled = bar->value();
    // A card's worth above and below, so that Tab finds the next card to
    // scroll to.
    const int margin = std::max(m_runningHeight, 1) + spacing;
    const bool changed = bindRows(scrolled - margin, scrolled + height + margin);
    placeRows(scrolled);
    captureAnchor(scrolled);
    return changed;
}

bool JobListView::bindRows(int top, int bottom)
{
    const int count = int(m_heights.size());
    const int first = count > 0 ? rowAt(top) : 0;
    const int last = count > 0 ? rowAt(bottom) : -1;
    QSet<const MixJob*> wanted;
    for (int row = first; row <= last; ++row)
        wanted.insert(m_model->jobAt(row));
    // Cards out of reach are let go, but not the one holding the keyboard
    // focus, nor one still opening up.
    const QWidget* focus = QApplication::focusWidget();
    bool changed = false;
    QList<std::pair<int, JobRow*>> kept;
    for (auto it = m_bound.begin(); it != m_bound.end();) {
        if (wanted.contains(it.key())) {
            ++it;
        } else if ((focus && it.value()->isAncestorOf(focus)) || opening(it.value())) {
            kept.append({m_model->rowOf(it.key()), it.value()});
            ++it;
        } else {
            recycle(it.value());
            it = m_bound.erase(it);
            changed = true;
        }
    }
    m_laid.clear();
    for (int row = first; row <= last; ++row) {
        MixJob* job = m_model->jobAt(row);
        JobRow*& card = m_bound[job];
        if (!card) {
            card = spareRow();
            card->setJob(job);
            card->setEnabled(true);
            card->show();
            changed = true;
        }
        m_laid.append({row, card});
    }
    m_laid.append(kept);
    std::sort(m_laid.begin(), m_laid.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return changed;
}

void JobListView::placeRows(int scrolled)
{
    const int width = viewport()->width();
    for (const auto& [row, card] : std::as_const(m_laid))
        card->setGeometry(0, m_tops[row] - scrolled, width, m_heights[row]);
    for (const Leaving& leaving : std::as_const(m_leaving)) {
        const int height = std::min(leaving.height, leaving.row->maximumHeight());
        leaving.row->setGeometry(0, leaving.top - scrolled, width, height);
    }
}

void JobListView::captureAnchor(int scrolled)
{
    m_anchor = nullptr;
    if (scrolled <= 0 || m_tops.isEmpty())
        return;
    const int row = rowAt(scrolled);
    m_anchor = m_model->jobAt(row);
    m_anchorOffset = scrolled - m_tops[row];
}

void JobListView::scrollContentsBy(int, int)
{
    if (m_laying)
        return;
    m_anchor = nullptr; // the user scrolled: the view stays where it now is
    relayout();
}

bool JobListView::viewportEvent(QEvent* event)
{
    // A card opening up or folding away asks for a new layout as its height
    // changes; so does a new viewport size.
    if (event->type() == QEvent::LayoutRequest) {
        adoptOpeningHeights();
        relayout();
        return true;
    }
    const bool handled = QAbstractScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        relayout();
    return handled;
}

void JobListView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() != QEvent::FontChange && event->type() != QEvent::StyleChange)
        return;
    m_idleHeight = 0; // measured again
    updateRows(0, int(m_heights.size()) - 1);
}

bool JobListView::eventFilter(QObject* watched, QEvent* event)
{
    // Tab onto a card's button brings the whole card into view, and with it
    // the next card around it.
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            ensureShown(qobject_cast<JobRow*>(static_cast<QWidget*>(watched)->parentWidget()));
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void JobListView::ensureShown(const JobRow* card)
{
    if (!card)
        return;
    const QRect area = card->geometry();
    const int height = viewport()->height();
    const int by = area.top() < 0 || area.height() > height ? area.top()
                   : area.bottom() >= height                  ? area.bottom() + 1 - height
                                                              : 0;
    if (by != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + by);
}

JobRow* JobListView::spareRow()
{
    if (!m_spare.isEmpty())
        return m_spare.takeLast();
    auto* card = new JobRow(nullptr, m_viewModel, viewport());
    card->hide();
    for (QToolButton* button : card->findChildren<QToolButton*>())
        button->installEventFilter(this);
    return card;
}

void JobListView::recycle(JobRow* card)
{
    card->hide();
    card->setJob(nullptr);
    m_spare << card;
}

} // namespace views
