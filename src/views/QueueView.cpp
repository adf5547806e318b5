#include "views/QueueView.h"

#include "models/JobListModel.h"
#include "viewmodels/QueueViewModel.h"
#include "views/JobRow.h"
#include "views/MessageBoxFit.h"
#include "views/PulseIndicator.h"
#include "views/Style.h"
#include "views/Symbols.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace views {

namespace {

QToolButton* headerButton(QWidget* parent, const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    style::keyboardButton(button);
    // Hidden while the list is empty, yet keeping their room, so that no
    // header control moves when jobs come or go.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    return button;
}

QWidget* emptyState(QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName("queueEmptyState");
    auto* layout = new QVBoxLayout(page);
    layout->setAlignment(Qt::AlignCenter);
    layout->setSpacing(12);
    auto* symbol = new QLabel(page);
    symbol->setAlignment(Qt::AlignCenter);
    style::followPalette(symbol, [symbol] {
        setSymbol(symbol, "list.bullet.clipboard", style::withAlpha(style::secondary(symbol->palette()), 0.3), 40);
    });
    auto* title = new QLabel(QueueView::tr("No Jobs Queue"), page);
    title->setObjectName("emptyTitle");
    title->setFont(style::headline());
    title->setAlignment(Qt::AlignCenter);
    style::setSecondaryText(title);
    auto* hint = new QLabel(QueueView::tr("Add videos to start processing"), page);
    hint->setObjectName("emptyHint");
    hint->setFont(style::caption());
    hint->setAlignment(Qt::AlignCenter);
    style::setSecondaryText(hint);
    layout->addWidget(symbol);
    layout->addWidget(title);
    layout->addWidget(hint);
    return page;
}

} // namespace

QueueView::QueueView(QueueViewModel& viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setObjectName("queueView");
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addLayout(buildHeader());
    m_content = new QStackedWidget(this);
    m_content->addWidget(emptyState(m_content));
    m_content->addWidget(buildList());
    layout->addWidget(m_content, 1);
    followViewModel();
    rebuildRows();
    style::followPalette(this, [this] {
        setSymbol(m_retryFailed, "arrow.counterclockwise", style::secondary(palette()), style::captionSymbol + 2);
        setSymbol(m_clearFinished, "trash", style::secondary(palette()), style::captionSymbol + 2);
        refreshHeader();
    });
}

QHBoxLayout* QueueView::buildHeader()
{
    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 4, 0);
    header->setSpacing(8);
    auto* title = new QLabel(tr("Job Queue"), this);
    title->setObjectName("queueTitle");
    title->setFont(style::headline());
    m_pulse = new PulseIndicator(this);
    m_pulse->setObjectName("pulseIndicator");
    m_pause = headerButton(this, "pauseButton");
    m_retryFailed = headerButton(this, "retryFailedButton");
    m_retryFailed->setToolTip(tr("Retry Failed Jobs"));
    m_retryFailed->setAccessibleName(tr("Retry Failed Jobs"));
    m_clearFinished = headerButton(this, "clearFinishedButton");
    m_clearFinished->setToolTip(tr("Clear Finished Jobs"));
    m_clearFinished->setAccessibleName(tr("Clear Finished Jobs"));
    m_count = new QLabel(this);
    m_count->setObjectName("jobCount");
    m_count->setFont(style::caption());
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for counts up to four digits, so a growing count moves nothing.
    m_count->setMinimumWidth(QFontMetrics(m_count->font()).horizontalAdvance(tr("%n items", nullptr, 8888)));
    style::setSecondaryText(m_count);
    header->addWidget(title);
    header->addWidget(m_pulse);
    header->addStretch(1);
    header->addWidget(m_pause);
    header->addWidget(m_retryFailed);
    header->addWidget(m_clearFinished);
    header->addWidget(m_count);
    return header;
}

QScrollArea* QueueView::buildList()
{
    auto* scroll = new QScrollArea(m_content);
    scroll->setObjectName("jobList");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to the cards' buttons, which it scrolls into view
    scroll->viewport()->setAutoFillBackground(false);
    m_list = new QWidget(scroll);
    m_list->setAutoFillBackground(false);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->setSpacing(12);
    m_listLayout->addStretch(1);
    scroll->setWidget(m_list);
    return scroll;
}

void QueueView::followViewModel()
{
    connect(m_pause, &QToolButton::clicked, &m_viewModel, &QueueViewModel::togglePause);
    connect(m_retryFailed, &QToolButton::clicked, &m_viewModel, &QueueViewModel::retryFailedJobs);
    connect(m_clearFinished, &QToolButton::clicked, &m_viewModel,
            [this] { m_viewModel.setShowClearConfirmation(true); });
    for (auto signal : {&QueueViewModel::isQueuePausedChanged, &QueueViewModel::isProcessingChanged,
                        &QueueViewModel::thermalColorChanged, &QueueViewModel::jobCountChanged,
                        &QueueViewModel::timeLeftChanged})
        connect(&m_viewModel, signal, this, &QueueView::refreshHeader);
    connect(&m_viewModel, &QueueViewModel::showClearConfirmationChanged, this, [this] {
        if (m_viewModel.showClearConfirmation())
            presentClearConfirmation();
    });

    JobListModel* jobs = m_viewModel.jobs();
    connect(jobs, &JobListModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        insertRows(first, last);
    });
    connect(jobs, &JobListModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        removeRows(first, last);
    });
    connect(jobs, &JobListModel::modelReset, this, &QueueView::rebuildRows);
}

QList<JobRow*> QueueView::rows() const
{
    return m_rows;
}

void QueueView::refreshHeader()
{
    const bool paused = m_viewModel.isQueuePaused();
    const QString pauseTip = paused ? tr("Resume Queue") : tr("Pause Queue");
    setSymbol(m_pause, paused ? "play.fill" : "pause.fill", style::secondary(palette()), style::captionSymbol + 2);
    m_pause->setToolTip(pauseTip);
    m_pause->setAccessibleName(pauseTip);

    m_pulse->setColor(m_viewModel.thermalColor());
    m_pulse->setAnimating(m_viewModel.isProcessing());
    m_pulse->setAccessibleName(m_viewModel.isProcessing() ? tr("Rendering") : tr("Not running"));

    const int count = m_viewModel.jobCount();
    m_retryFailed->setVisible(count > 0);
    m_clearFinished->setVisible(count > 0);
    m_count->setText(tr("%n items", nullptr, count));
    m_count->setToolTip(m_viewModel.queueTimeLeftText());
    m_pulse->setToolTip(m_count->toolTip());
    m_content->setCurrentIndex(count > 0 ? 1 : 0);
}

namespace {

// Opens a card up (or folds it away) while fading it in (or out).
QParallelAnimationGroup* animateCard(JobRow* row, bool entering)
{
    auto* fade = new QGraphicsOpacityEffect(row);
    row->setGraphicsEffect(fade);
    auto* motion = new QParallelAnimationGroup(row);
    auto* opacity = new QPropertyAnimation(fade, "opacity", motion);
    auto* height = new QPropertyAnimation(row, "maximumHeight", motion);
    const int full = row->isVisible() ? row->height() : row->sizeHint().height();
    opacity->setStartValue(entering ? 0.0 : 1.0);
    opacity->setEndValue(entering ? 1.0 : 0.0);
    height->setStartValue(entering ? 0 : full);
    height->setEndValue(entering ? full : 0);
    for (auto* a : {opacity, height}) {
        a->setDuration(220);
        a->setEasingCurve(entering ? QEasingCurve::OutCubic : QEasingCurve::InCubic);
    }
    return motion;
}

} // namespace

void QueueView::insertRows(int first, int last, bool animated)
{
    JobListModel* jobs = m_viewModel.jobs();
    for (int i = first; i <= last; ++i) {
        auto* row = new JobRow(jobs->jobAt(i), m_viewModel, m_list);
        // Before the card now at this position (leaving cards keep their
        // place until they are gone), or before the closing stretch.
        const int at = i < m_rows.size() ? m_listLayout->indexOf(m_rows[i]) : m_listLayout->count() - 1;
        m_rows.insert(i, row);
        m_listLayout->insertWidget(at, row);
        row->show();
        if (!animated)
            continue;
        QParallelAnimationGroup* entrance = animateCard(row, true);
        connect(entrance, &QParallelAnimationGroup::finished, row, [row] {
            row->setGraphicsEffect(nullptr);
            row->setMaximumHeight(QWIDGETSIZE_MAX);
        });
        entrance->start(QAbstractAnimation::DeleteWhenStopped);
    }
    orderTabs();
    refreshHeader();
}

void QueueView::orderTabs()
{
    // Tab walks the cards top to bottom, as they are shown, whatever order
    // they were made in.
    QWidget* previous = m_clearFinished;
    for (JobRow* row : std::as_const(m_rows)) {
        for (QToolButton* button : row->findChildren<QToolButton*>()) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
}

void QueueView::removeRows(int first, int last)
{
    for (int i = last; i >= first && i < m_rows.size(); --i) {
        JobRow* row = m_rows.takeAt(i);
        // The card folds away and is destroyed afterwards, never at once: the
        // removal may come from a click on its own delete button.
        row->setEnabled(false);
        for (auto* entrance : row->findChildren<QParallelAnimationGroup*>())
            entrance->stop(); // a card removed while still arriving
        QParallelAnimationGroup* exit = animateCard(row, false);
        connect(exit, &QParallelAnimationGroup::finished, row, &QObject::deleteLater);
        exit->start(QAbstractAnimation::DeleteWhenStopped);
    }
}

void QueueView::rebuildRows()
{
    for (JobRow* row : std::exchange(m_rows, {})) {
        m_listLayout->removeWidget(row);
        row->deleteLater();
    }
    const int count = m_viewModel.jobs()->rowCount();
    // A whole list (at start-up) appears at once; only arrivals are animated.
    if (count > 0)
        insertRows(0, count - 1, false);
    refreshHeader();
}

void QueueView::presentClearConfirmation()
{
    if (m_confirmation)
        return;
    m_confirmation = new QMessageBox(QMessageBox::Warning, tr("Clear Finished Jobs?"), tr("Clear Finished Jobs?"), QMessageBox::NoButton, window());
    m_confirmation->setObjectName("clearConfirmation");
    m_confirmation->setInformativeText(
        tr("This will remove all completed and failed jobs from the list. Files will remain on disk."));
    QPushButton* cancel = m_confirmation->addButton(QMessageBox::Cancel);
    cancel->setText(tr("Cancel"));
    cancel->setObjectName("clearCancelButton");
    QPushButton* clear = m_confirmation->addButton(tr("Clear"), QMessageBox::DestructiveRole);
    clear->setObjectName("clearConfirmButton");
    m_confirmation->setDefaultButton(cancel);
    m_confirmation->setEscapeButton(cancel);
    m_confirmation->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_confirmation, &QMessageBox::finished, this, [this, clear] {
        const bool confirmed = m_confirmation->clickedButton() == clear;
        m_confirmation = nullptr;
        m_viewModel.setShowClearConfirmation(false);
        if (confirmed)
            m_viewModel.clearFinishedJobs();
    });
    fitMessageBox(m_confirmation);
    m_confirmation->open();
}

} // namespace views
