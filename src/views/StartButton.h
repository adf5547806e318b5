#pragma once
// The wide "Start Processing" button: accent-filled with white text while a
// batch can start, a faint gray with secondary text while it cannot.

#include <QAbstractButton>

namespace views {

class StartButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit StartButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace views
