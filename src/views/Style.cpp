#include "views/Style.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

void setSecondaryText(QLabel* label)
{
    // Follows the surroundings: a label with a style sheet hears of no
    // palette change itself, and its own palette carries the colour set here.
    QWidget* around = label->parentWidget() ? label->parentWidget() : label;
    followPalette(around, [label, around] {
        const QString sheet = QStringLiteral("color: %1").arg(secondary(around->palette()).name(QColor::HexArgb));
        if (label->styleSheet() != sheet)
            label->setStyleSheet(sheet);
    });
}

QColor over(const QColor& color, const QColor& background)
{
    const qreal a = color.alphaF();
    return QColor::fromRgbF(color.redF() * a + background.redF() * (1 - a),
                            color.greenF() * a + background.greenF() * (1 - a),
                            color.blueF() * a + background.blueF() * (1 - a));
}

qreal contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](qreal v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const qreal la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor secondary(const QPalette& palette)
{
    // The faintest mix of the text into the window colour that still reads
    // on every background secondary text sits on; a little above the 4.5:1
    // floor, as anti-aliased small text looks fainter than its colour.
    // From the active colours even for a disabled control, whose own text
    // colour is already faint.
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    for (qreal a = 0.55; a < 1.0; a += 0.025) {
        const QColor mixed = over(withAlpha(text, a), window);
        if (std::min({contrastRatio(mixed, window),
                      contrastRatio(mixed, palette.color(QPalette::Active, QPalette::Base)),
                      contrastRatio(mixed, disabledFill(palette))}) >= 4.6)
            return mixed;
    }
    return text;
}

QColor disabledFill(const QPalette& palette)
{
    return over(withAlpha(QColor(Qt::gray), 0.2), palette.color(QPalette::Active, QPalette::Window));
}

QColor accentFill(const QPalette& palette)
{
    QColor fill = accent(palette);
    for (int step = 0; step < 20 && contrastRatio(fill, Qt::white) < 4.6; ++step)
        fill = fill.darker(108);
    return fill;
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

void drawFocusRing(QPainter& painter, const QRectF& shape, qreal radius, const QColor& color)
{
    // The pen's 2 pixels lie inside the shape, 2 pixels from its edge (clear
    // of an outline drawn on the edge); the corners stay concentric with it.
    constexpr qreal inset = 3;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2));
    painter.setBrush(Qt::NoBrush);
    const qreal r = std::max<qreal>(radius - inset, 1);
    painter.drawRoundedRect(shape.adjusted(inset, inset, -inset, -inset), r, r);
    painter.restore();
}

namespace {

class KeyboardButton : public QObject {
public:
    KeyboardButton(QAbstractButton* button, bool drawRing)
        : QObject(button)
        , m_drawRing(drawRing)
    {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Events still arrive while the button is torn down, when it is no
        // longer a button.
        auto* control = qobject_cast<QAbstractButton*>(watched);
        if (!control)
            return false;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter)
                return false;
            control->animateClick();
            return true;
        }
        if (event->type() != QEvent::Paint || !m_drawRing || !control->hasFocus())
            return false;
        // The ring goes over what the control paints itself.
        static_cast<QObject*>(control)->event(event);
        QPainter p(control);
        const QRectF shape = QRectF(control->rect()).adjusted(-2, -2, 2, 2);
        drawFocusRing(p, shape, std::min(shape.width(), shape.height()) / 2, accent(control->palette()));
        return true;
    }

private:
    bool m_drawRing;
};

} // namespace

void keyboardButton(QAbstractButton* button, bool drawRing)
{
    new KeyboardButton(button, drawRing);
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
