#include "views/StartButton.h"

#include "views/Style.h"
#include "views/Symbols.h"

#include <QPainter>

namespace views {

StartButton::StartButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setObjectName("startButton");
    setFixedHeight(44);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    style::keyboardButton(this, false);
    setProperty("symbol", "bolt.fill");
    QFont f = style::titled(0, QFont::Bold);
    setFont(f);
}

QSize StartButton::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()) + 60, 44};
}

void StartButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    QColor fill = isEnabled() ? style::accentFill(pal) : style::disabledFill(pal);
    if (isEnabled() && isDown())
        fill = fill.darker(115);
    const QColor ink = isEnabled() ? QColor(Qt::white) : style::secondary(pal);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), 10, 10);
    if (hasFocus())
        style::drawFocusRing(p, QRectF(rect()), 10, ink);

    const int iconSize = 16;
    const int gap = 6;
    const int textWidth = fontMetrics().horizontalAdvance(text().trimmed());
    const int total = iconSize + gap + textWidth;
    const int x = (width() - total) / 2;
    p.drawPixmap(QRect(x, (height() - iconSize) / 2, iconSize, iconSize),
                 symbolPixmap("bolt.fill", ink, iconSize, devicePixelRatioF()));
    p.setPen(ink);
    p.setFont(font());
    p.drawText(QRect(x + iconSize + gap, 0, textWidth + 2, height()), Qt::AlignVCenter | Qt::AlignLeft,
               text().trimmed());
}

} // namespace views
