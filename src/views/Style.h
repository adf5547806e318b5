#pragma once
// The colour and type roles the screens are drawn with, taken from the
// palette so light and dark themes both read well.

#include <QColor>
#include <QFont>
#include <QPalette>

#include <functional>

class QAbstractButton;
class QLabel;
class QPainter;
class QRectF;
class QWidget;

namespace views::style {

// De-emphasised text and symbols: opaque, lighter than the primary text yet
// readable (WCAG AA, 4.5:1) on both the window and the control background.
QColor secondary(const QPalette& palette);
QColor accent(const QPalette& palette);
QColor accentFill(const QPalette& palette);  // behind white text: the accent, deepened to read
QColor disabledFill(const QPalette& palette); // an unavailable button's face
QColor separator(const QPalette& palette);
QColor controlBackground(const QPalette& palette);  // cards and the queue pane
QColor windowBackground(const QPalette& palette);

// Fixed hues, tuned to stay legible on light and dark backgrounds.
QColor green();
QColor blue();
QColor red();
QColor orange();
QColor purple();

QColor withAlpha(QColor color, qreal alpha);
// WCAG contrast ratio (1 to 21) of two opaque colours.
qreal contrastRatio(const QColor& a, const QColor& b);
// `color` drawn over the opaque `background`.
QColor over(const QColor& color, const QColor& background);

// The keyboard-focus ring: a 2-pixel line just inside `shape` (a rounded
// rectangle with corner `radius`), concentric with it.
void drawFocusRing(QPainter& painter, const QRectF& shape, qreal radius, const QColor& color);
// Lets Return and Enter press `button` as Space does and, with `drawRing`,
// draws that ring as a capsule over it while it has keyboard focus (for
// buttons the widget style paints, whose own focus hint is faint).
void keyboardButton(QAbstractButton* button, bool drawRing = true);

// Runs `restyle` now and again whenever `widget`'s palette changes (the
// desktop switching between light and dark while the app runs), for colours
// baked into symbols and style sheets.
void followPalette(QWidget* widget, std::function<void()> restyle);
// Text in the secondary colour, kept so across palette changes.
void setSecondaryText(QLabel* label);

QFont headline();
QFont callout(); // row titles
QFont caption();
QFont smallCaption();
QFont titled(int pointSizeDelta, QFont::Weight weight);

// Pixel sizes of symbols beside text of each role.
constexpr int captionSymbol = 12;
constexpr int rowSymbol = 18;
constexpr int titleSymbol = 24;
constexpr int largeTitleSymbol = 36;

} // namespace views::style
