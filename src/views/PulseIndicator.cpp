#include "views/PulseIndicator.h"

#include <QPainter>

namespace views {

PulseIndicator::PulseIndicator(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(14, 14);
    m_pulse.setStartValue(0.0);
    m_pulse.setEndValue(1.0);
    m_pulse.setDuration(1200);
    m_pulse.setEasingCurve(QEasingCurve::InOutQuad);
    m_pulse.setLoopCount(-1); // restarts from the small halo each time, no reversing
    m_settle.setEndValue(0.0);
    m_settle.setDuration(250);
    for (auto* animation : {&m_pulse, &m_settle})
        connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            m_phase = v.toReal();
            update();
        });
}

void PulseIndicator::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void PulseIndicator::setAnimating(bool animating)
{
    if (m_isAnimating == animating)
        return;
    m_isAnimating = animating;
    if (animating) {
        m_settle.stop();
        m_pulse.start();
    } else {
        m_pulse.stop();
        m_settle.setStartValue(m_phase);
        m_settle.start();
    }
}

void PulseIndicator::paintDot(QPainter& p, const QRectF& frame, const QColor& color, qreal phase)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF c = frame.center();
    const qreal unit = frame.width() / 14.0;
    // The halo grows to 1.4 times its size while it fades out.
    const qreal halo = 10 * unit * (1.0 + 0.4 * phase);
    QColor haloColor = color;
    haloColor.setAlphaF(0.3 * (1.0 - phase));
    p.setBrush(haloColor);
    p.drawEllipse(c, halo / 2, halo / 2);
    p.setBrush(color);
    p.drawEllipse(c, 3 * unit, 3 * unit);
}

void PulseIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintDot(p, rect(), m_color, m_phase);
}

} // namespace views
