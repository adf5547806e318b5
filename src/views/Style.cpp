#include "views/Style.h"

#include <QGuiApplication>

namespace views::style {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

QColor secondary(const QPalette& palette)
{
    return withAlpha(palette.color(QPalette::WindowText), 0.58);
}

QColor accent(const QPalette& palette)
{
    return palette.color(QPalette::Highlight);
}

QColor separator(const QPalette& palette)
{
    return withAlpha(palette.color(QPalette::WindowText), 0.14);
}

QColor controlBackground(const QPalette& palette)
{
    return palette.color(QPalette::Base);
}

QColor windowBackground(const QPalette& palette)
{
    return palette.color(QPalette::Window);
}

QColor green() { return QColor(0x30, 0xB0, 0x50); }
QColor blue() { return QColor(0x1E, 0x88, 0xF5); }
QColor red() { return QColor(0xE5, 0x3E, 0x3E); }
QColor orange() { return QColor(0xF5, 0x8F, 0x0A); }
QColor purple() { return QColor(0xA2, 0x4F, 0xD8); }

QFont titled(int pointSizeDelta, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    const qreal base = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    font.setPointSizeF(std::max<qreal>(6, base + pointSizeDelta));
    font.setWeight(weight);
    return font;
}

QFont headline() { return titled(1, QFont::DemiBold); }
QFont callout() { return titled(0, QFont::Medium); }
QFont caption() { return titled(-1, QFont::Normal); }
QFont smallCaption() { return titled(-2, QFont::Normal); }

} // namespace views::style
