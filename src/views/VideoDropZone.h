#pragma once
// Where videos and images come in: a "Media Source" header with "Clear All"
// while something is selected, and a drop area that takes dropped files and
// opens the file picker when clicked. It shows state and reports intents; the
// dashboard decides what they mean.

#include <QList>
#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

namespace views {

class DropArea;

class VideoDropZone : public QWidget {
    Q_OBJECT
public:
    explicit VideoDropZone(QWidget* parent = nullptr);

    void setSelectedCount(int count);
    int selectedCount() const { return m_selectedCount; }
    void setTargeted(bool targeted);
    bool isTargeted() const { return m_targeted; }

signals:
    void targetedChanged(bool targeted);
    void dropped(const QList<QUrl>& urls);
    void clearRequested();
    void browseRequested();

private:
    void refresh();

    int m_selectedCount = 0;
    bool m_targeted = false;
    QPushButton* m_clearAll = nullptr;
    DropArea* m_area = nullptr;
};

} // namespace views
