#include "views/JobRow.h"

#include "models/MixJob.h"
#include "viewmodels/QueueViewModel.h"
#include "viewmodels/ShownStatus.h"
#include "views/ElidedLabel.h"
#include "views/Spinner.h"
#include "views/Style.h"
#include "views/Symbols.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace views {

namespace {

struct StatusLook {
    const char* symbol;
    QColor color;
};

StatusLook lookFor(JobStatus status, const QPalette& palette)
{
    switch (status) {
    case JobStatus::pending: return {"clock", style::secondary(palette)};
    case JobStatus::processing: return {"", {}}; // the spinner
    case JobStatus::paused: return {"pause.circle.fill", style::orange()};
    case JobStatus::completed: return {"checkmark.circle.fill", style::green()};
    case JobStatus::failed: return {"exclamationmark.triangle.fill", style::red()};
    case JobStatus::cancelled: return {"xmark.circle.fill", style::secondary(palette)};
    }
    return {"clock", style::secondary(palette)};
}

// `color` is read from the palette again whenever it changes.
QToolButton* rowButton(QWidget* parent, const QString& name, const QString& symbol,
                       std::function<QColor(const QPalette&)> color, const QString& accessibleName,
                       const QString& tooltip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setAccessibleName(accessibleName);
    button->setToolTip(tooltip);
    style::keyboardButton(button);
    style::followPalette(button, [button, symbol, color] { setSymbol(button, symbol, color(button->palette()), 16); });
    return button;
}

} // namespace

JobRow::JobRow(MixJob* job, QueueViewModel& viewModel, QWidget* parent)
    : Card(10, parent)
    , m_viewModel(viewModel)
{
    setObjectName("jobRow");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addLayout(buildLine());
    layout->addWidget(buildProgress());

    // The record may be removed while a click is on its way; act only on a
    // record that still exists.
    connect(m_cancel, &QToolButton::clicked, this, [this] { m_viewModel.cancelJob(m_job); });
    connect(m_reveal, &QToolButton::clicked, this, [this] { m_viewModel.revealInFileManager(m_job); });
    connect(m_retry, &QToolButton::clicked, this, [this] { m_viewModel.retryJob(m_job); });
    connect(m_delete, &QToolButton::clicked, this, [this] { m_viewModel.deleteJob(m_job); });
    connect(&m_viewModel, &QueueViewModel::timeLeftChanged, this, [this] {
        if (m_job && m_job->status() == JobStatus::processing)
            refresh();
    });
    style::followPalette(this, [this] { refresh(); });
    setJob(job);
}

void JobRow::setJob(MixJob* job)
{
    disconnect(m_following);
    m_job = job;
    if (job)
        m_following = connect(job, &MixJob::changed, this, &JobRow::refresh);
    refresh();
}

int JobRow::heightFor(JobStatus status) const
{
    // The line (icon, texts, buttons) within the margins, and below it the
    // progress bar while the job runs.
    const QMargins margins = layout()->contentsMargins();
    const int line = layout()->itemAt(0)->sizeHint().height();
    const int progress = status == JobStatus::processing ? layout()->spacing() + m_progress->height() : 0;
    return margins.top() + line + progress + margins.bottom();
}

QHBoxLayout* JobRow::buildLine()
{
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    m_statusIcon = new QLabel(this);
    m_statusIcon->setObjectName("statusIcon");
    m_statusIcon->setFixedSize(18, 18);
    m_statusIcon->setAlignment(Qt::AlignCenter);
    m_spinner = new Spinner(this);
    m_spinner->setObjectName("statusSpinner");
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_name = new ElidedLabel(Qt::ElideRight, this);
    m_name->setObjectName("jobName");
    m_name->setFont(style::callout());
    m_message = new ElidedLabel(Qt::ElideRight, this);
    m_message->setObjectName("jobStatusMessage");
    m_message->setFont(style::caption());
    style::setSecondaryText(m_message);
    m_timeLeft = new QLabel(this);
    m_timeLeft->setObjectName("jobTimeLeft");
    m_timeLeft->setFont(style::caption());
    m_timeLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    style::setSecondaryText(m_timeLeft);
    auto* status = new QHBoxLayout;
    status->setSpacing(12);
    status->addWidget(m_message, 1);
    status->addWidget(m_timeLeft);
    texts->addWidget(m_name);
    texts->addLayout(status);

    const auto secondary = [](const QPalette& p) { return style::secondary(p); };
    m_cancel = rowButton(this, "cancelButton", "stop.circle.fill", [](const QPalette&) { return style::red(); },
                         tr("Cancel"), {});
    m_reveal = rowButton(this, "revealButton", "folder.fill", secondary, tr("Show in File Manager"),
                         tr("Show in File Manager"));
    m_retry = rowButton(this, "retryButton", "arrow.clockwise", secondary, tr("Retry"), tr("Retry"));
    m_delete = rowButton(this, "deleteButton", "trash",
                         [](const QPalette& p) { return style::withAlpha(style::secondary(p), 0.8); }, tr("Delete"), {});

    line->addWidget(m_statusIcon);
    line->addWidget(m_spinner);
    line->addLayout(texts, 1);
    for (QToolButton* b : {m_cancel, m_reveal, m_retry, m_delete})
        line->addWidget(b);
    return line;
}

QProgressBar* JobRow::buildProgress()
{
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("jobProgress");
    m_progress->setAccessibleName(tr("Progress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(4);
    style::followPalette(this, [this] {
        m_progress->setStyleSheet(QStringLiteral("QProgressBar { border: none; border-radius: 2px; background: %1; }"
                                                 "QProgressBar::chunk { border-radius: 2px; background: %2; }")
                                      .arg(style::separator(palette()).name(QColor::HexArgb),
                                           style::accent(palette()).name(QColor::HexArgb)));
    });
    return m_progress;
}

void JobRow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete) {
        Card::keyPressEvent(event);
        return;
    }
    m_viewModel.deleteJob(m_job);
}

MixJob* JobRow::job() const
{
    return m_job;
}

QString JobRow::shownStatusMessage() const
{
    return shownStatus(m_job->statusMessage());
}

void JobRow::refresh()
{
    if (!m_job)
        return;
    const JobStatus status = m_job->status();
    const bool running = status == JobStatus::processing;
    const StatusLook look = lookFor(status, palette());
    m_spinner->setVisible(running);
    m_statusIcon->setVisible(!running);
    if (!running)
        setSymbol(m_statusIcon, look.symbol, look.color, 16);
    m_name->setFullText(m_job->displayName());
    m_message->setFullText(shownStatusMessage());
    m_timeLeft->setText(m_viewModel.timeLeftText(m_job));
    m_timeLeft->setVisible(!m_timeLeft->text().isEmpty());

    const auto action = QueueViewModel::rowActionFor(status);
    m_cancel->setVisible(action == QueueViewModel::RowAction::cancel);
    m_reveal->setVisible(action == QueueViewModel::RowAction::reveal);
    m_retry->setVisible(action == QueueViewModel::RowAction::retry);
    m_progress->setVisible(running);
    m_progress->setValue(int(std::clamp(m_job->progress(), 0.0f, 1.0f) * 1000));
    setAccessibleName(m_job->displayName() + ": " + shownStatusMessage());
}

} // namespace views
