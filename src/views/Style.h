#pragma once
// The colour and type roles the screens are drawn with, taken from the
// palette so light and dark themes both read well.

#include <QColor>
#include <QFont>
#include <QPalette>

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
