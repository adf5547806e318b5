#pragma once
// A button with no chrome of its own whose face is whatever its layout holds
// (symbols and labels); it only hints hover and keyboard focus. The children
// let clicks through, so the whole face is the button.

#include <QAbstractButton>

namespace views {

class PlainButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PlainButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void childEvent(QChildEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool isHovered() const { return m_hovered; }
    // The face's rounded rectangle, `inset` from the edges, which the hover
    // tint fills and the focus ring follows.
    void setShape(qreal inset, qreal radius);

private:
    bool m_hovered = false;
    qreal m_inset = 0;
    qreal m_radius = 8;
};

} // namespace views
