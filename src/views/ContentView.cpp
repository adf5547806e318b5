#include "views/ContentView.h"

#include "viewmodels/ToastViewModel.h"
#include "viewmodels/ViewModelContainer.h"
#include "views/DashboardView.h"
#include "views/QueueView.h"
#include "views/Style.h"
#include "views/ToastView.h"

#include <QAction>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QSplitter>

namespace views {

namespace {

QWidget* pane(QWidget* parent, const char* name, int width, QPalette::ColorRole background)
{
    auto* pane = new QWidget(parent);
    pane->setObjectName(name);
    pane->setFixedWidth(width);
    pane->setAutoFillBackground(true);
    pane->setBackgroundRole(background);
    return pane;
}

} // namespace

ContentView::ContentView(ViewModelContainer& viewModels, QWidget* parent)
    : QWidget(parent)
    , m_toastViewModel(viewModels.toastViewModel())
{
    setObjectName("contentView");
    setFixedSize(contentWidth, contentHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildPanes(viewModels));
    buildActions(viewModels.dashboardViewModel());
    buildToast();
    connect(m_toast, &ToastView::dismissRequested, &m_toastViewModel, &ToastViewModel::dismiss);
    connect(&m_toastViewModel, &ToastViewModel::activeToastChanged, this, &ContentView::showActiveToast);
    showActiveToast();
}

QSplitter* ContentView::buildPanes(ViewModelContainer& viewModels)
{
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName("contentSplit");
    // The panes meet edge to edge: their backgrounds differ, and fixed
    // widths leave nothing for a handle to do.
    split->setHandleWidth(0);
    split->setChildrenCollapsible(false);

    QWidget* left = pane(split, "dashboardPane", dashboardWidth, QPalette::Window);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(left);
    scroll->setObjectName("dashboardScroll");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to its controls, which it scrolls into view
    m_dashboard = new DashboardView(viewModels.dashboardViewModel(), viewModels.settingsViewModel(), scroll);
    scroll->setWidget(m_dashboard);
    leftLayout->addWidget(scroll);

    QWidget* right = pane(split, "queuePane", queueWidth, QPalette::Base);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    m_queue = new QueueView(viewModels.queueViewModel(), right);
    rightLayout->addWidget(m_queue);

    split->addWidget(left);
    split->addWidget(right);
    return split;
}

void ContentView::buildActions(DashboardViewModel& dashboard)
{
    m_addFiles = new QAction(tr("Add Videos or Images..."), this);
    m_addFiles->setObjectName("addFilesAction");
    m_addFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_addFiles, &QAction::triggered, &dashboard, [&dashboard] { dashboard.setShowFilePicker(true); });
    m_startProcessing = new QAction(tr("Start Processing"), this);
    m_startProcessing->setObjectName("startProcessingAction");
    m_startProcessing->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    m_startProcessing->setEnabled(dashboard.canStartProcessing());
    connect(m_startProcessing, &QAction::triggered, &dashboard, &DashboardViewModel::startProcessing);
    connect(&dashboard, &DashboardViewModel::canStartProcessingChanged, m_startProcessing,
            [this, &dashboard] { m_startProcessing->setEnabled(dashboard.canStartProcessing()); });
    addAction(m_addFiles);
    addAction(m_startProcessing);
}

void ContentView::buildToast()
{
    // The toast floats over both panes; it is a child of this view, raised
    // above the split, and never takes part in the layout.
    m_toast = new ToastView(this);
    m_toast->hide();
    auto* opacity = new QGraphicsOpacityEffect(m_toast);
    m_toast->setGraphicsEffect(opacity);
    m_toastMotion = new QParallelAnimationGroup(this);
    auto* slide = new QPropertyAnimation(m_toast, "geometry", m_toastMotion);
    auto* fade = new QPropertyAnimation(opacity, "opacity", m_toastMotion);
    for (auto* a : {slide, fade}) {
        a->setDuration(300);
        a->setEasingCurve(QEasingCurve::OutCubic);
    }
    connect(m_toastMotion, &QParallelAnimationGroup::finished, this, [this] {
        if (m_toastLeaving)
            m_toast->hide();
    });
}

QRect ContentView::toastGeometry(bool shown) const
{
    // As wide as the message needs, up to the banner's limit; a longer
    // message wraps onto more lines instead.
    const int w = std::min(m_toast->naturalWidth(), ToastView::maximumBannerWidth + 2 * ToastView::shadowMargin);
    const QSize size(w, m_toast->hasHeightForWidth() ? m_toast->heightForWidth(w) : m_toast->sizeHint().height());
    const int x = (width() - size.width()) / 2;
    const int y = shown ? toastTop - ToastView::shadowMargin : -size.height();
    return {QPoint(x, y), size};
}

void ContentView::showActiveToast()
{
    const auto toast = m_toastViewModel.activeToast();
    auto* slide = static_cast<QPropertyAnimation*>(m_toastMotion->animationAt(0));
    auto* fade = static_cast<QPropertyAnimation*>(m_toastMotion->animationAt(1));
    m_toastMotion->stop();
    if (toast) {
        const bool wasShown = m_toast->isVisible() && !m_toastLeaving;
        m_toast->setToast(*toast);
        m_toastLeaving = false;
        m_toast->raise();
        if (wasShown) {
            // A replacement swaps the banner's content in place.
            m_toast->setGeometry(toastGeometry(true));
            static_cast<QGraphicsOpacityEffect*>(m_toast->graphicsEffect())->setOpacity(1.0);
            return;
        }
        m_toast->setGeometry(toastGeometry(false));
        m_toast->show();
        slide->setStartValue(toastGeometry(false));
        slide->setEndValue(toastGeometry(true));
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
    } else {
        if (!m_toast->isVisible())
            return;
        m_toastLeaving = true;
        slide->setStartValue(m_toast->geometry());
        slide->setEndValue(toastGeometry(false));
        fade->setStartValue(static_cast<QGraphicsOpacityEffect*>(m_toast->graphicsEffect())->opacity());
        fade->setEndValue(0.0);
    }
    m_toastMotion->start();
}

void ContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_toast->isVisible() && !m_toastLeaving)
        m_toast->setGeometry(toastGeometry(true));
}

} // namespace views
