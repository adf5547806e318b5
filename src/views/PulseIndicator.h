#pragma once
// The activity dot: a core in the given colour with a halo that grows and
// fades out again and again while animating, and settles back when stopped.

#include <QColor>
#include <QVariantAnimation>
#include <QWidget>

namespace views {

class PulseIndicator : public QWidget {
    Q_OBJECT
public:
    explicit PulseIndicator(QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    bool isAnimating() const { return m_isAnimating; }
    void setAnimating(bool animating);

    QSize sizeHint() const override { return {14, 14}; }

    // Paints the dot at pulse phase 0..1 (0 = halo at rest); shared with the
    // tray icon, which draws the same dot.
    static void paintDot(QPainter& painter, const QRectF& frame, const QColor& color, qreal phase);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    bool m_isAnimating = false;
    qreal m_phase = 0;
    QVariantAnimation m_pulse;
    QVariantAnimation m_settle;
};

} // namespace views
