#include "views/VideoDropZone.h"

#include "views/DropArea.h"
#include "views/Style.h"
#include "views/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace views {

VideoDropZone::VideoDropZone(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("videoDropZone");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    auto* symbol = new QLabel(this);
    auto* title = new QLabel(tr("Media Source"), this);
    title->setObjectName("mediaSourceTitle");
    title->setFont(style::headline());
    m_clearAll = new QPushButton(tr("Clear All"), this);
    m_clearAll->setObjectName("clearAllButton");
    m_clearAll->setAccessibleName(tr("Clear All"));
    m_clearAll->setFlat(true);
    m_clearAll->setCursor(Qt::PointingHandCursor);
    m_clearAll->setFont(style::caption());
    style::keyboardButton(m_clearAll);
    header->addWidget(symbol);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(m_clearAll);
    layout->addLayout(header);

    m_area = new DropArea(this);
    layout->addWidget(m_area);

    style::followPalette(this, [this, symbol] {
        setSymbol(symbol, "photo.on.rectangle.angled", palette().color(QPalette::WindowText), 16);
        m_clearAll->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; padding: 2px 4px; }")
                                      .arg(style::secondary(palette()).name(QColor::HexArgb)));
    });
    connect(m_clearAll, &QPushButton::clicked, this, &VideoDropZone::clearRequested);
    connect(m_area, &DropArea::clicked, this, &VideoDropZone::browseRequested);
    connect(m_area, &DropArea::dropped, this, &VideoDropZone::dropped);
    connect(m_area, &DropArea::dragHoverChanged, this, &VideoDropZone::setTargeted);
    refresh();
}

void VideoDropZone::setSelectedCount(int count)
{
    if (m_selectedCount == count)
        return;
    m_selectedCount = count;
    refresh();
}

void VideoDropZone::setTargeted(bool targeted)
{
    if (m_targeted == targeted)
        return;
    m_targeted = targeted;
    refresh();
    emit targetedChanged(targeted);
}

void VideoDropZone::refresh()
{
    m_clearAll->setVisible(m_selectedCount > 0);
    m_area->setState(m_selectedCount, m_targeted);
}

} // namespace views
