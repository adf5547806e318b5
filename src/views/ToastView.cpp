#include "views/ToastView.h"

#include "views/Style.h"
#include "views/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace views {

ToastView::ToastView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("toast");
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16 + shadowMargin, 12 + shadowMargin, 16 + shadowMargin, 12 + shadowMargin);
    layout->setSpacing(12);
    m_icon = new QLabel(this);
    m_icon->setObjectName("toastIcon");
    m_message = new QLabel(this);
    m_message->setObjectName("toastMessage");
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    QFont font = m_message->font();
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    m_message->setFont(font);
    m_close = new QToolButton(this);
    m_close->setObjectName("toastClose");
    m_close->setAccessibleName("Dismiss");
    m_close->setToolTip("Dismiss");
    m_close->setAutoRaise(true);
    m_close->setCursor(Qt::PointingHandCursor);
    style::followPalette(m_close, [this] { setSymbol(m_close, "xmark", style::secondary(palette()), style::captionSymbol); });
    layout->addWidget(m_icon);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_close);
    setMaximumWidth(maximumBannerWidth + 2 * shadowMargin);
    connect(m_close, &QToolButton::clicked, this, &ToastView::dismissRequested);
}

QString ToastView::symbolFor(ToastType type)
{
    switch (type) {
    case ToastType::info: return "info.circle.fill";
    case ToastType::success: return "checkmark.circle.fill";
    case ToastType::error: return "xmark.circle.fill";
    case ToastType::warning: return "exclamationmark.triangle.fill";
    }
    return {};
}

QColor ToastView::colorFor(ToastType type)
{
    switch (type) {
    case ToastType::info: return style::blue();
    case ToastType::success: return style::green();
    case ToastType::error: return style::red();
    case ToastType::warning: return style::orange();
    }
    return {};
}

void ToastView::setToast(const Toast& toast)
{
    setSymbol(m_icon, symbolFor(toast.type), colorFor(toast.type), 20);
    m_message->setText(toast.message);
    setAccessibleName(toast.message);
    adjustSize();
}

int ToastView::naturalWidth() const
{
    const QMargins m = layout()->contentsMargins();
    const int spacing = layout()->spacing();
    return m.left() + m_icon->sizeHint().width() + spacing
        + m_message->fontMetrics().horizontalAdvance(m_message->text()) + 4 + spacing
        + m_close->sizeHint().width() + m.right();
}

QString ToastView::message() const
{
    return m_message->text();
}

void ToastView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF banner = QRectF(rect()).adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    // A soft shadow below the banner: a few widening rings of faint black.
    p.setPen(Qt::NoPen);
    for (int i = shadowMargin - 2; i > 0; i -= 2) {
        p.setBrush(QColor(0, 0, 0, int(38 / (shadowMargin / 2.0) * (1.0 - qreal(i) / shadowMargin))));
        p.drawRoundedRect(banner.translated(0, 4).adjusted(-i / 2.0, -i / 2.0, i / 2.0, i / 2.0), 12 + i / 2.0,
                          12 + i / 2.0);
    }
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.96);
    p.setBrush(fill);
    p.setPen(QPen(QColor(255, 255, 255, 26), 1));
    p.drawRoundedRect(banner, 12, 12);
    p.setPen(QPen(style::separator(palette()), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(banner.adjusted(-0.5, -0.5, 0.5, 0.5), 12.5, 12.5);
}

} // namespace views
