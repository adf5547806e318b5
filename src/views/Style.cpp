#include "views/Style.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QWidget>

namespace views::style {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

namespace {

class PaletteFollower : public QObject {
public:
    PaletteFollower(QWidget* widget, std::function<void()> restyle)
        : QObject(widget)
        , m_restyle(std::move(restyle))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Restyling may itself change the palette (style sheets do); that
        // change needs no second pass.
        if (event->type() == QEvent::PaletteChange && watched == parent() && !m_restyling) {
            m_restyling = true;
            m_restyle();
            m_restyling = false;
        }
        return false;
    }

private:
    std::function<void()> m_restyle;
    bool m_restyling = false;
};

} // namespace

void followPalette(QWidget* widget, std::function<void()> restyle)
{
    restyle();
    new PaletteFollower(widget, std::move(restyle));
}

void setSecondaryText(QLabel* label, qreal alpha)
{
    // Follows the surroundings: a label with a style sheet hears of no
    // palette change itself, and its own palette carries the colour set here.
    QWidget* around = label->parentWidget() ? label->parentWidget() : label;
    followPalette(around, [label, around, alpha] {
        const QString sheet =
            QStringLiteral("color: %1").arg(withAlpha(secondary(around->palette()), alpha).name(QColor::HexArgb));
        if (label->styleSheet() != sheet)
            label->setStyleSheet(sheet);
    });
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
