#pragma once
// One toast as a floating banner: the type's symbol and colour, the message
// and a close button, on a rounded translucent panel with a soft shadow.
// Only the banner takes clicks: its shadow, drawn by a sibling beneath it,
// lets them through to whatever it covers. Escape dismisses it.

#include "viewmodels/ToastViewModel.h"

#include <QWidget>

class QLabel;
class QShortcut;
class QToolButton;

namespace views {

class ToastView : public QWidget {
    Q_OBJECT
public:
    static constexpr int maximumBannerWidth = 350;
    static constexpr int shadowMargin = 12; // room around the banner for its shadow

    explicit ToastView(QWidget* parent = nullptr);

    void setToast(const Toast& toast);
    QString message() const;
    // Width of the banner (with its shadow room) showing the message on one line.
    int naturalWidth() const;

    static QString symbolFor(ToastType type);
    static QColor colorFor(ToastType type);

signals:
    void dismissRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect bannerRect() const;
    void followWithShadow();

    QWidget* m_shadow = nullptr;
    QShortcut* m_escape = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_message = nullptr;
    QToolButton* m_close = nullptr;
};

} // namespace views
