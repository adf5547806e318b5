#pragma once
// The colour and type roles the screens are drawn with, taken from the
// palette so light and dark themes both read well.

#include <QColor>
#include <QFont>
#include <QPalette>

#include <functional>

class QLabel;
class QWidget;

namespace views::style {

QColor secondary(const QPalette& palette);          // de-emphasised text and symbols
QColor accent(const QPalette& palette);
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

// Runs `restyle` now and again whenever `widget`'s palette changes (the
// desktop switching between light and dark while the app runs), for colours
// baked into symbols and style sheets.
void followPalette(QWidget* widget, std::function<void()> restyle);
// Text in the secondary colour at `alpha`, kept so across palette changes.
void setSecondaryText(QLabel* label, qreal alpha = 1.0);

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
