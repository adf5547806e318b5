#pragma once
// A rounded panel in the control background colour with a thin separator
// border: the shape of the settings cards and the job rows.

#include <QWidget>

namespace views {

class Card : public QWidget {
    Q_OBJECT
public:
    explicit Card(int cornerRadius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_radius;
};

} // namespace views
