#pragma once
// One line of text that shortens itself with an ellipsis when too long,
// keeping the full text in its tooltip.

#include <QLabel>

namespace views {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    // The full text (QLabel::text() may be shortened).
    QString fullText() const { return m_fullText; }
    void setFullText(const QString& text);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refit();

    Qt::TextElideMode m_mode;
    QString m_fullText;
};

} // namespace views
