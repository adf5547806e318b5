#pragma once
// The app's symbols, drawn from the Material Design icon font embedded as a
// resource. Every widget that shows one remembers its name in the "symbol"
// property, so tests and accessibility tools can tell which one is shown.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QAbstractButton;
class QLabel;

namespace views {

// Glyph of a symbol name ("clock", "play.fill", ...); 0 for an unknown name.
char32_t glyphFor(const QString& symbol);

// The symbol at `pixelSize` logical pixels, in `color`, for `devicePixelRatio`.
QPixmap symbolPixmap(const QString& symbol, const QColor& color, int pixelSize, qreal devicePixelRatio = 2.0);
QIcon symbolIcon(const QString& symbol, const QColor& color, int pixelSize);

void setSymbol(QLabel* label, const QString& symbol, const QColor& color, int pixelSize);
void setSymbol(QAbstractButton* button, const QString& symbol, const QColor& color, int pixelSize);

} // namespace views
