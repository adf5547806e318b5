#include "views/Spinner.h"

#include "views/Style.h"

#include <QPainter>

namespace views {

Spinner::Spinner(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(16, 16);
    m_turn.setStartValue(0.0);
    m_turn.setEndValue(360.0);
    m_turn.setDuration(900);
    m_turn.setLoopCount(-1);
    connect(&m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_angle = v.toReal();
        update();
    });
}

// Turning only while visible keeps a long hidden queue from costing repaints.
void Spinner::showEvent(QShowEvent*)
{
    m_turn.start();
}

void Spinner::hideEvent(QHideEvent*)
{
    m_turn.stop();
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(3, 3, -3, -3);
    p.setPen(QPen(style::separator(palette()), 1.6));
    p.drawEllipse(r);
    p.setPen(QPen(style::withAlpha(palette().color(QPalette::WindowText), 0.75), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, int(-m_angle * 16), 100 * 16);
}

} // namespace views
