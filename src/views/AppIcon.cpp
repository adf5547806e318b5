#include "views/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace views {

namespace {

QPixmap render(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, QColor(0x7C, 0x4D, 0xFF));
    tile.setColorAt(1, QColor(0x2B, 0x6C, 0xF0));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 13, 13);

    // The loop: an almost closed ring with an arrow head.
    QPen ring(Qt::white, 5, Qt::SolidLine, Qt::RoundCap);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(15, 15, 34, 34), 100 * 16, 300 * 16);
    QPainterPath head;
    head.moveTo(31, 9.5);
    head.lineTo(38.5, 15);
    head.lineTo(31, 20.5);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(head);

    QPainterPath play;
    play.moveTo(28, 24.5);
    play.lineTo(40, 32);
    play.lineTo(28, 39.5);
    play.closeSubpath();
    p.drawPath(play);
    return pixmap;
}

} // namespace

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(render(size));
    return icon;
}

} // namespace views
