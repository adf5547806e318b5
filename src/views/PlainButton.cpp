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
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
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
    if (m_hovered || isDown()) {
        p.setPen(Qt::NoPen);
        p.setBrush(style::withAlpha(palette().color(QPalette::WindowText), isDown() ? 0.10 : 0.05));
        p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 6, 6);
    }
    if (hasFocus()) {
        p.setPen(QPen(style::withAlpha(style::accent(palette()), 0.8), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
    }
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
