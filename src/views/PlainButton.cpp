#include "views/PlainButton.h"

#include "views/Style.h"

#include <QChildEvent>
#include <QLayout>
#include <QPainter>

namespace views {

PlainButton::PlainButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Like the desktop's own buttons: reached by Tab, not focused by a click.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    style::keyboardButton(this, false);
}

void PlainButton::setShape(qreal inset, qreal radius)
{
    m_inset = inset;
    m_radius = radius;
    update();
}

QSize PlainButton::sizeHint() const
{
    return layout() ? layout()->sizeHint() : QSize(20, 20);
}

QSize PlainButton::minimumSizeHint() const
{
    return layout() ? layout()->minimumSize() : QSize(20, 20);
}

void PlainButton::childEvent(QChildEvent* event)
{
    if (event->added() && event->child()->isWidgetType())
        static_cast<QWidget*>(event->child())->setAttribute(Qt::WA_TransparentForMouseEvents);
    QAbstractButton::childEvent(event);
}

void PlainButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(m_inset, m_inset, -m_inset, -m_inset);
    if (m_hovered || isDown()) {
        p.setPen(Qt::NoPen);
        p.setBrush(style::withAlpha(palette().color(QPalette::WindowText), isDown() ? 0.10 : 0.05));
        p.drawRoundedRect(shape, m_radius, m_radius);
    }
    if (hasFocus())
        style::drawFocusRing(p, shape, m_radius, style::accent(palette()));
}

void PlainButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PlainButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace views
