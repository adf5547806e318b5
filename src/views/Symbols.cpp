#include "views/Symbols.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QHash>
#include <QLabel>
#include <QPainter>

namespace views {

namespace {

// Each symbol name the screens use, mapped to the closest glyph of the font.
const QHash<QString, char32_t>& glyphs()
{
    static const QHash<QString, char32_t> table {
        {"clock", 0xF150},
        {"pause.circle.fill", 0xF3E5},
        {"checkmark.circle.fill", 0xF5E0},
        {"exclamationmark.triangle.fill", 0xF026},
        {"xmark.circle.fill", 0xF159},
        {"stop.circle.fill", 0xF666},
        {"folder.fill", 0xF24B},
        {"arrow.clockwise", 0xF450},
        {"arrow.counterclockwise", 0xF465},
        {"trash", 0xF1C0},
        {"play.fill", 0xF40A},
        {"pause.fill", 0xF3E4},
        {"info.circle.fill", 0xF2FC},
        {"xmark", 0xF156},
        {"music.note.list", 0xF411},
        {"arrow.down.circle.fill", 0xF047},
        {"chevron.right", 0xF142},
        {"shuffle", 0xF49D},
        {"minus", 0xF374},
        {"plus", 0xF415},
        {"waveform", 0xF430},
        {"photo.on.rectangle.angled", 0xF2F9},
        {"arrow.down.doc.fill", 0xF1DA},
        {"list.bullet.clipboard", 0xF14E},
        {"bolt.fill", 0xF241},
    };
    return table;
}

QString iconFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/icons/materialdesignicons.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

} // namespace

char32_t glyphFor(const QString& symbol)
{
    return glyphs().value(symbol, 0);
}

QPixmap symbolPixmap(const QString& symbol, const QColor& color, int pixelSize, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(pixelSize, pixelSize) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    const char32_t glyph = glyphFor(symbol);
    if (glyph == 0 || iconFamily().isEmpty())
        return pixmap;
    QFont font(iconFamily());
    font.setPixelSize(pixelSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRect(0, 0, pixelSize, pixelSize), Qt::AlignCenter, QString::fromUcs4(&glyph, 1));
    return pixmap;
}

QIcon symbolIcon(const QString& symbol, const QColor& color, int pixelSize)
{
    QIcon icon;
    icon.addPixmap(symbolPixmap(symbol, color, pixelSize), QIcon::Normal);
    QColor faded = color;
    faded.setAlphaF(color.alphaF() * 0.35);
    icon.addPixmap(symbolPixmap(symbol, faded, pixelSize), QIcon::Disabled);
    return icon;
}

void setSymbol(QLabel* label, const QString& symbol, const QColor& color, int pixelSize)
{
    label->setPixmap(symbolPixmap(symbol, color, pixelSize, label->devicePixelRatioF() * 2));
    label->setProperty("symbol", symbol);
}

void setSymbol(QAbstractButton* button, const QString& symbol, const QColor& color, int pixelSize)
{
    button->setIcon(symbolIcon(symbol, color, pixelSize));
    button->setIconSize(QSize(pixelSize, pixelSize));
    button->setProperty("symbol", symbol);
}

} // namespace views
