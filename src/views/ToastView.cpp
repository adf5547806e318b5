#include "views/ToastView.h"

#include "views/Style.h"
#include "views/Symbols.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QToolButton>

namespace views {

namespace {

// A soft shadow below the banner, a few widening rings of faint black, as
// opaque as the banner currently is. It never takes a click.
class ToastShadow : public QWidget {
public:
    ToastShadow(QWidget* banner, QWidget* parent)
        : QWidget(parent)
        , m_banner(banner)
    {
        setObjectName("toastShadow");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        constexpr int margin = ToastView::shadowMargin;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (const auto* fade = qobject_cast<QGraphicsOpacityEffect*>(m_banner->graphicsEffect()))
            p.setOpacity(fade->opacity());
        const QRectF banner = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
        p.setPen(Qt::NoPen);
        for (int i = margin - 2; i > 0; i -= 2) {
            p.setBrush(QColor(0, 0, 0, int(38 / (margin / 2.0) * (1.0 - qreal(i) / margin))));
            p.drawRoundedRect(banner.translated(0, 4).adjusted(-i / 2.0, -i / 2.0, i / 2.0, i / 2.0), 12 + i / 2.0,
                              12 + i / 2.0);
        }
    }

private:
    QWidget* m_banner;
};

} // namespace

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
    m_close->setAccessibleName(tr("Dismiss"));
    m_close->setToolTip(tr("Dismiss"));
    m_close->setAutoRaise(true);
    m_close->setCursor(Qt::PointingHandCursor);
    style::keyboardButton(m_close);
    style::followPalette(m_close, [this] { setSymbol(m_close, "xmark", style::secondary(palette()), style::captionSymbol); });
    layout->addWidget(m_icon);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_close);
    setMaximumWidth(maximumBannerWidth + 2 * shadowMargin);
    connect(m_close, &QToolButton::clicked, this, &ToastView::dismissRequested);
    if (!parent)
        return;
    m_shadow = new ToastShadow(this, parent);
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), parent);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &ToastView::dismissRequested);
}

QRect ToastView::bannerRect() const
{
    return rect().adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
}

bool ToastView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        // The banner and its 1-pixel border take clicks; the margins do not.
        setMask(QRegion(bannerRect().adjusted(-1, -1, 1, 1)));
        followWithShadow();
        break;
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
        followWithShadow();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void ToastView::followWithShadow()
{
    if (m_escape)
        m_escape->setEnabled(isVisible());
    if (!m_shadow)
        return;
    m_shadow->setGeometry(geometry());
    m_shadow->setVisible(isVisible());
    m_shadow->stackUnder(this);
    m_shadow->update();
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
    const QRectF banner = bannerRect();
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
