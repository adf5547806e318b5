#include "views/SettingsView.h"

#include "viewmodels/SettingsViewModel.h"
#include "views/Card.h"
#include "views/FolderRow.h"
#include "views/Style.h"
#include "views/Symbols.h"

#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace views {

namespace {

QLabel* symbolLabel(QWidget* parent, const QString& symbol, const QColor& color)
{
    auto* label = new QLabel(parent);
    label->setFixedWidth(20);
    label->setAlignment(Qt::AlignCenter);
    setSymbol(label, symbol, color, style::rowSymbol);
    return label;
}

QLabel* titleLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setFont(style::titled(-1, QFont::Medium));
    return label;
}

QLabel* detailLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFont(style::smallCaption());
    style::setSecondaryText(label);
    return label;
}

QToolButton* stepButton(QWidget* parent, const QString& name, const QString& symbol, const QString& accessible)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAccessibleName(accessible);
    button->setToolTip(accessible);
    button->setAutoRaise(true);
    button->setFixedSize(28, 28);
    style::keyboardButton(button);
    style::followPalette(button, [button, symbol] {
        setSymbol(button, symbol, button->palette().color(QPalette::WindowText), 16);
    });
    return button;
}

} // namespace

SettingsView::SettingsView(SettingsViewModel& viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setObjectName("settingsView");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(buildFoldersCard());
    layout->addWidget(buildSongCountCard());
    layout->addWidget(buildCrossfadeCard());
    connect(&m_viewModel, &SettingsViewModel::changed, this, &SettingsView::refresh);
    refresh();
}

QWidget* SettingsView::buildFoldersCard()
{
    auto* card = new Card(10, this);
    card->setObjectName("foldersCard");
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_playlistRow = new FolderRow("playlist", "music.note.list", tr("Playlist Folder"), card);
    m_outputRow = new FolderRow("output", "arrow.down.circle.fill", tr("Output Folder"), card);
    auto* line = new QFrame(card);
    line->setFixedHeight(1);
    style::followPalette(card, [card, line] {
        line->setStyleSheet(QStringLiteral("background: %1").arg(style::separator(card->palette()).name(QColor::HexArgb)));
    });
    layout->addWidget(m_playlistRow);
    layout->addWidget(line);
    layout->addWidget(m_outputRow);

    connect(m_playlistRow, &FolderRow::chooseRequested, this,
            [this] { chooseFolder(tr("Select Playlist Folder"), true); });
    connect(m_outputRow, &FolderRow::chooseRequested, this,
            [this] { chooseFolder(tr("Select Output Folder"), false); });
    connect(m_playlistRow, &FolderRow::clearRequested, &m_viewModel, &SettingsViewModel::clearPlaylistFolder);
    connect(m_outputRow, &FolderRow::clearRequested, &m_viewModel, &SettingsViewModel::clearOutputFolder);
    return card;
}

QWidget* SettingsView::buildSongCountCard()
{
    auto* card = new Card(10, this);
    card->setObjectName("songCountCard");
    auto* line = new QHBoxLayout(card);
    line->setContentsMargins(10, 10, 10, 10);
    line->setSpacing(8);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(titleLabel(card, tr("Songs per Video")));
    m_available = detailLabel(card, "availableSongs");
    texts->addWidget(m_available);
    m_minus = stepButton(card, "songCountMinus", "minus", tr("Fewer Songs per Video"));
    m_songCount = new QLabel(card);
    m_songCount->setObjectName("songCountValue");
    m_songCount->setFixedWidth(30);
    m_songCount->setAlignment(Qt::AlignCenter);
    m_plus = stepButton(card, "songCountPlus", "plus", tr("More Songs per Video"));
    line->addWidget(symbolLabel(card, "shuffle", style::orange()));
    line->addLayout(texts, 1);
    line->addWidget(m_minus);
    line->addWidget(m_songCount);
    line->addWidget(m_plus);
    connect(m_minus, &QToolButton::clicked, &m_viewModel, &SettingsViewModel::decreaseSongCount);
    connect(m_plus, &QToolButton::clicked, &m_viewModel, &SettingsViewModel::increaseSongCount);
    return card;
}

QWidget* SettingsView::buildCrossfadeCard()
{
    auto* card = new Card(10, this);
    card->setObjectName("crossfadeCard");
    auto* line = new QHBoxLayout(card);
    line->setContentsMargins(10, 10, 10, 10);
    line->setSpacing(8);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(titleLabel(card, tr("Crossfade Duration")));
    m_crossfadeValue = detailLabel(card, "crossfadeValue");
    texts->addWidget(m_crossfadeValue);
    m_crossfade = new QSlider(Qt::Horizontal, card);
    m_crossfade->setObjectName("crossfadeSlider");
    m_crossfade->setAccessibleName(tr("Crossfade Duration"));
    // Half-second steps over 0 to 10 seconds.
    m_crossfade->setRange(int(SettingsViewModel::crossfadeMinimum / SettingsViewModel::crossfadeStep),
                          int(SettingsViewModel::crossfadeMaximum / SettingsViewModel::crossfadeStep));
    m_crossfade->setPageStep(2);
    m_crossfade->setFixedWidth(100);
    line->addWidget(symbolLabel(card, "waveform", style::purple()));
    line->addLayout(texts, 1);
    line->addWidget(m_crossfade);
    connect(m_crossfade, &QSlider::valueChanged, this, [this](int steps) {
        m_viewModel.setCrossfadeDuration(steps * SettingsViewModel::crossfadeStep);
        // A stored 0 reads back as 3.0 and may not count as a change; the
        // slider shows what is read back either way.
        refresh();
    });
    return card;
}

void SettingsView::chooseFolder(const QString& title, bool playlist)
{
    auto* dialog = new QFileDialog(window(), title);
    dialog->setObjectName(playlist ? "playlistFolderDialog" : "outputFolderDialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Window-modal and asynchronous: the queue keeps updating behind it.
    // fileSelected, not urlSelected: Qt's own (non-native) dialog only
    // sends the former.
    connect(dialog, &QFileDialog::fileSelected, this, [this, playlist](const QString& folder) {
        if (folder.isEmpty())
            return;
        const QUrl url = QUrl::fromLocalFile(folder);
        playlist ? m_viewModel.choosePlaylistFolder(url) : m_viewModel.chooseOutputFolder(url);
    });
    dialog->open();
}

void SettingsView::refresh()
{
    m_playlistRow->setState(m_viewModel.hasPlaylistFolder(), m_viewModel.playlistSubtitle(), style::green());
    m_outputRow->setState(m_viewModel.hasOutputFolder(), m_viewModel.outputSubtitle(), style::blue());

    m_available->setText(tr("Available: %1").arg(m_viewModel.availableSongCount()));
    m_songCount->setText(QString::number(m_viewModel.songCount()));
    m_songCount->setAccessibleName(tr("Songs per Video: %1").arg(m_viewModel.songCount()));
    m_minus->setEnabled(m_viewModel.canDecreaseSongCount());
    m_plus->setEnabled(m_viewModel.canIncreaseSongCount());

    m_crossfadeValue->setText(m_viewModel.crossfadeText());
    const QSignalBlocker quiet(m_crossfade); // showing the value is not the user moving it
    m_crossfade->setValue(int(std::lround(m_viewModel.crossfadeDuration() / SettingsViewModel::crossfadeStep)));
}

} // namespace views
