#pragma once
// One folder line of the settings: a symbol, title and subtitle that open the
// folder chooser when clicked, and at the end either a clear button (folder
// set) or a chevron (not set).

#include <QWidget>

class QLabel;
class QToolButton;

namespace views {

class ElidedLabel;
class PlainButton;

class FolderRow : public QWidget {
    Q_OBJECT
public:
    FolderRow(const QString& name, const QString& symbol, const QString& title, QWidget* parent = nullptr);

    // `tint` colours the symbol while a folder is set.
    void setState(bool folderSet, const QString& subtitle, const QColor& tint);
    QString subtitle() const;

signals:
    void chooseRequested();
    void clearRequested();

private:
    QString m_symbol;
    bool m_folderSet = false;
    QColor m_tint;
    PlainButton* m_choose = nullptr;
    QLabel* m_icon = nullptr;
    ElidedLabel* m_subtitle = nullptr;
    QToolButton* m_clear = nullptr;
    QLabel* m_chevron = nullptr;
};

} // namespace views
