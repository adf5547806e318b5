#pragma once
// A small indeterminate spinner: the status icon of a running job.

#include <QVariantAnimation>
#include <QWidget>

namespace views {

class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation m_turn;
    qreal m_angle = 0;
};

} // namespace views
