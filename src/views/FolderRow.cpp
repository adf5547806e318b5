#include "views/FolderRow.h"

#include "views/ElidedLabel.h"
#include "views/PlainButton.h"
#include "views/Style.h"
#include "views/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace views {

FolderRow::FolderRow(const QString& name, const QString& symbol, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
{
    setObjectName(name + "Row");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 10, 0);
    row->setSpacing(4);

    m_choose = new PlainButton(this);
    m_choose->setObjectName(name + "ChooseButton");
    m_choose->setAccessibleName(title);
    auto* label = new QHBoxLayout(m_choose);
    label->setContentsMargins(10, 10, 4, 10);
    label->setSpacing(8);
    m_icon = new QLabel(m_choose);
    m_icon->setObjectName(name + "Symbol");
    m_icon->setFixedWidth(20);
    m_icon->setAlignment(Qt::AlignCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLabel = new QLabel(title, m_choose);
    titleLabel->setFont(style::titled(-1, QFont::Medium));
    m_subtitle = new ElidedLabel(Qt::ElideMiddle, m_choose);
    m_subtitle->setObjectName(name + "Subtitle");
    m_subtitle->setFont(style::smallCaption());
    style::setSecondaryText(m_subtitle);
    texts->addWidget(titleLabel);
    texts->addWidget(m_subtitle);
    label->addWidget(m_icon);
    label->addLayout(texts, 1);
    row->addWidget(m_choose, 1);

    m_clear = new QToolButton(this);
    m_clear->setObjectName(name + "ClearButton");
    m_clear->setAccessibleName(tr("Clear %1").arg(title));
    m_clear->setToolTip(tr("Clear %1").arg(title));
    m_clear->setAutoRaise(true);
    style::keyboardButton(m_clear);
    m_chevron = new QLabel(this);
    m_chevron->setObjectName(name + "Chevron");
    row->addWidget(m_clear);
    row->addWidget(m_chevron);

    style::followPalette(this, [this] {
        setSymbol(m_clear, "xmark.circle.fill", style::withAlpha(style::secondary(palette()), 0.5), 16);
        setSymbol(m_chevron, "chevron.right", style::secondary(palette()), style::captionSymbol);
        setSymbol(m_icon, m_symbol, m_folderSet ? m_tint : style::secondary(palette()), style::rowSymbol);
    });
    connect(m_choose, &PlainButton::clicked, this, &FolderRow::chooseRequested);
    connect(m_clear, &QToolButton::clicked, this, &FolderRow::clearRequested);
}

void FolderRow::setState(bool folderSet, const QString& subtitle, const QColor& tint)
{
    m_folderSet = folderSet;
    m_tint = tint;
    setSymbol(m_icon, m_symbol, folderSet ? tint : style::secondary(palette()), style::rowSymbol);
    m_subtitle->setFullText(subtitle);
    m_clear->setVisible(folderSet);
    m_chevron->setVisible(!folderSet);
    m_choose->setAccessibleDescription(subtitle);
}

QString FolderRow::subtitle() const
{
    return m_subtitle->fullText();
}

} // namespace views
