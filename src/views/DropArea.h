#pragma once
// The clickable, droppable face of the drop zone: a rounded area with a
// dashed outline while empty and a solid one once files are selected.

#include "views/PlainButton.h"

#include <QList>
#include <QUrl>

class QLabel;
class QStackedLayout;

namespace views {

class DropArea : public PlainButton {
    Q_OBJECT
public:
    explicit DropArea(QWidget* parent = nullptr);

    void setState(int selectedCount, bool targeted);

signals:
    void dragHoverChanged(bool hovering);
    void dropped(const QList<QUrl>& urls);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    int m_selectedCount = 0;
    bool m_targeted = false;
    QStackedLayout* m_pages = nullptr;
    QLabel* m_emptySymbol = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QLabel* m_emptyHint = nullptr;
    QLabel* m_checkSymbol = nullptr;
    QLabel* m_countTitle = nullptr;
    QLabel* m_moreHint = nullptr;
};

} // namespace views
