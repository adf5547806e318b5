#include "views/QueueView.h"

#include "viewmodels/QueueViewModel.h"
#include "views/JobListView.h"
#include "views/JobRow.h"
#include "views/MessageBoxFit.h"
#include "views/PulseIndicator.h"
#include "views/Style.h"
#include "views/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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
    orderTabs();
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

JobListView* QueueView::buildList()
{
    m_list = new JobListView(m_viewModel, m_content);
    m_list->setObjectName("jobList");
    return m_list;
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

    connect(m_list, &JobListView::cardsChanged, this, &QueueView::orderTabs);
}

QList<JobRow*> QueueView::rows() const
{
    return m_list->shownRows();
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

void QueueView::orderTabs()
{
    // Tab walks the cards top to bottom, as they are shown, whatever order
    // they were made or bound in.
    QWidget* previous = m_clearFinished;
    for (JobRow* row : m_list->boundRows()) {
        for (QToolButton* button : row->findChildren<QToolButton*>()) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
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
