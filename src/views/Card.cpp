#include "views/Card.h"

#include "views/Style.h"

#include <QPainter>
#include <QPainterPath>

namespace views {

Card::Card(int cornerRadius, QWidget* parent)
    : QWidget(parent)
    , m_radius(cornerRadius)
{
}

void Card::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(style::separator(palette()), 1));
    p.setBrush(style::controlBackground(palette()));
    p.drawRoundedRect(r, m_radius, m_radius);
}

} // namespace views
