#include "views/PreferencesDialog.h"

#include "viewmodels/PreferencesViewModel.h"
#include "views/Style.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace views {

namespace {

QDoubleSpinBox* levelBox(QWidget* parent, const char* name, double low, double high, const QString& unit)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(low, high);
    box->setSingleStep(PreferencesViewModel::step);
    box->setDecimals(PreferencesViewModel::decimals);
    box->setSuffix(QLatin1Char(' ') + unit);
    // A value is forwarded when typing ends, not at every digit.
    box->setKeyboardTracking(false);
    return box;
}

QLabel* hint(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(style::smallCaption());
    style::setSecondaryText(label);
    return label;
}

} // namespace

PreferencesDialog::PreferencesDialog(PreferencesViewModel& viewModel, QWidget* parent)
    : QDialog(parent)
    , m_viewModel(viewModel)
{
    setObjectName("preferencesDialog");
    setWindowTitle(tr("Preferences"));
    auto* layout = new QVBoxLayout(this);
    buildLoudness(layout);

    m_titlesFromTags = new QCheckBox(tr("Titles from Song Tags"), this);
    m_titlesFromTags->setObjectName("titlesFromTags");
    layout->addSpacing(8);
    layout->addWidget(m_titlesFromTags);
    layout->addWidget(hint(this, tr("Tracklist and chapters read \u201cArtist \u2013 Title\u201d; songs without a "
                                    "title tag keep their file name.")));
    layout->addSpacing(8);
    layout->addWidget(hint(this, tr("Changes apply to jobs added from now on.")));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_titlesFromTags, &QCheckBox::toggled, &m_viewModel, &PreferencesViewModel::setTitlesFromTags);
    connect(&m_viewModel, &PreferencesViewModel::changed, this, &PreferencesDialog::refresh);
    setMinimumWidth(400);
    refresh();
}

void PreferencesDialog::buildLoudness(QVBoxLayout* layout)
{
    m_matchLoudness = new QCheckBox(tr("Match Loudness"), this);
    m_matchLoudness->setObjectName("matchLoudness");
    layout->addWidget(m_matchLoudness);
    layout->addWidget(hint(this, tr("Every song plays at the same loudness (EBU R128), each with one gain of "
                                    "its own; nothing is compressed.")));
    auto* form = new QFormLayout;
    form->setContentsMargins(24, 0, 0, 0);
    m_target = levelBox(this, "loudnessTarget", PreferencesViewModel::targetMinimum,
                        PreferencesViewModel::targetMaximum, QStringLiteral("LUFS"));
    m_ceiling = levelBox(this, "truePeakCeiling", PreferencesViewModel::ceilingMinimum,
                         PreferencesViewModel::ceilingMaximum, QStringLiteral("dBTP"));
    form->addRow(tr("Target:"), m_target);
    form->addRow(tr("True-peak ceiling:"), m_ceiling);
    layout->addLayout(form);

    connect(m_matchLoudness, &QCheckBox::toggled, &m_viewModel, &PreferencesViewModel::setMatchLoudness);
    connect(m_target, &QDoubleSpinBox::valueChanged, &m_viewModel, &PreferencesViewModel::setLoudnessTarget);
    connect(m_ceiling, &QDoubleSpinBox::valueChanged, &m_viewModel, &PreferencesViewModel::setTruePeakCeiling);
}

void PreferencesDialog::refresh()
{
    const QSignalBlocker blockMatch(m_matchLoudness), blockTarget(m_target), blockCeiling(m_ceiling),
        blockTitles(m_titlesFromTags);
    m_matchLoudness->setChecked(m_viewModel.matchLoudness());
    m_target->setValue(m_viewModel.loudnessTarget());
    m_ceiling->setValue(m_viewModel.truePeakCeiling());
    m_target->setEnabled(m_viewModel.canEditLoudnessLevels());
    m_ceiling->setEnabled(m_viewModel.canEditLoudnessLevels());
    m_titlesFromTags->setChecked(m_viewModel.titlesFromTags());
}

} // namespace views
