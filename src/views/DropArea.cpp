#include "views/DropArea.h"

#include "views/Style.h"
#include "views/Symbols.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace views {

DropArea::DropArea(QWidget* parent)
    : PlainButton(parent)
{
    setObjectName("dropArea");
    setAcceptDrops(true);
    setMinimumHeight(120);
    setShape(1, 12); // the outline's

    auto* empty = new QWidget(this);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setAlignment(Qt::AlignCenter);
    emptyLayout->setSpacing(6);
    m_emptySymbol = new QLabel(empty);
    m_emptySymbol->setObjectName("dropSymbol");
    m_emptySymbol->setAlignment(Qt::AlignCenter);
    m_emptyTitle = new QLabel(tr("Drop Video or Image"), empty);
    m_emptyTitle->setObjectName("dropTitle");
    m_emptyTitle->setFont(style::titled(0, QFont::Medium));
    m_emptyTitle->setAlignment(Qt::AlignCenter);
    m_emptyHint = new QLabel(tr("Supports MP4, MOV, PNG, JPG"), empty);
    m_emptyHint->setObjectName("dropHint");
    m_emptyHint->setFont(style::caption());
    m_emptyHint->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(m_emptySymbol);
    emptyLayout->addWidget(m_emptyTitle);
    emptyLayout->addWidget(m_emptyHint);

    auto* filled = new QWidget(this);
    auto* filledLayout = new QHBoxLayout(filled);
    filledLayout->setAlignment(Qt::AlignCenter);
    filledLayout->setSpacing(10);
    m_checkSymbol = new QLabel(filled);
    m_checkSymbol->setObjectName("selectedSymbol");
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_countTitle = new QLabel(filled);
    m_countTitle->setObjectName("selectedCount");
    m_countTitle->setFont(style::headline());
    m_moreHint = new QLabel(tr("Click or drop more to add"), filled);
    m_moreHint->setObjectName("selectedHint");
    m_moreHint->setFont(style::caption());
    texts->addWidget(m_countTitle);
    texts->addWidget(m_moreHint);
    filledLayout->addWidget(m_checkSymbol);
    filledLayout->addLayout(texts);

    m_pages = new QStackedLayout(this);
    m_pages->addWidget(empty);
    m_pages->addWidget(filled);
    refresh();
}

void DropArea::setState(int selectedCount, bool targeted)
{
    if (selectedCount == m_selectedCount && targeted == m_targeted)
        return;
    m_selectedCount = selectedCount;
    m_targeted = targeted;
    refresh();
}

void DropArea::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        refresh();
    PlainButton::changeEvent(event);
}

void DropArea::refresh()
{
    const QPalette& pal = palette();
    const QColor secondary = style::secondary(pal);
    const QColor accent = style::accent(pal);
    m_pages->setCurrentIndex(m_selectedCount > 0 ? 1 : 0);
    setSymbol(m_emptySymbol, "arrow.down.doc.fill", m_targeted ? accent : secondary, style::largeTitleSymbol);
    setSymbol(m_checkSymbol, "checkmark.circle.fill", accent, style::titleSymbol);
    m_countTitle->setText(tr("%n files selected", nullptr, m_selectedCount));
    for (QLabel* label : {m_emptyTitle, m_emptyHint, m_moreHint})
        label->setStyleSheet(QStringLiteral("color: %1").arg(secondary.name(QColor::HexArgb)));
    setAccessibleName(m_selectedCount > 0 ? m_countTitle->text() : m_emptyTitle->text());
    setAccessibleDescription(m_selectedCount > 0 ? m_moreHint->text() : m_emptyHint->text());
    update();
}

void DropArea::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const bool empty = m_selectedCount == 0;
    const QColor tint = empty ? style::secondary(pal) : style::accent(pal);
    QColor outline = m_targeted ? style::accent(pal)
                                : (empty ? style::withAlpha(style::secondary(pal), 0.35)
                                         : style::withAlpha(style::accent(pal), 0.5));
    QPen pen(outline, 2);
    if (empty) {
        pen.setStyle(Qt::CustomDashLine);
        pen.setDashPattern({3, 3}); // in pen widths: 6-pixel dashes
    }
    p.setPen(pen);
    p.setBrush(style::withAlpha(tint, m_targeted ? 0.10 : 0.05));
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 12, 12);
    p.end();
    PlainButton::paintEvent(event);
}

void DropArea::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    emit dragHoverChanged(true);
}

void DropArea::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void DropArea::dragLeaveEvent(QDragLeaveEvent*)
{
    emit dragHoverChanged(false);
}

void DropArea::dropEvent(QDropEvent* event)
{
    // Accepted whatever it holds: unsupported files are filtered out quietly
    // by the dashboard, not refused at the door.
    event->acceptProposedAction();
    emit dragHoverChanged(false);
    emit dropped(event->mimeData()->urls());
}

} // namespace views
