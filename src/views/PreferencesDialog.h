#pragma once
// Edit ▸ Preferences…: loudness matching (target and true-peak ceiling) and
// titles from song tags. Shows the view model's values and forwards every
// change at once; it has no Apply step. The values apply to jobs made after
// the change, which the dialog says.

#include <QDialog>

class PreferencesViewModel;
class QCheckBox;
class QDoubleSpinBox;
class QVBoxLayout;

namespace views {

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesDialog(PreferencesViewModel& viewModel, QWidget* parent = nullptr);

private:
    void buildLoudness(QVBoxLayout* layout);
    void refresh();

    PreferencesViewModel& m_viewModel;
    QCheckBox* m_matchLoudness = nullptr;
    QDoubleSpinBox* m_target = nullptr;
    QDoubleSpinBox* m_ceiling = nullptr;
    QCheckBox* m_titlesFromTags = nullptr;
};

} // namespace views
