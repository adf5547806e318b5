#pragma once
// The main window's content: the dashboard (350 wide) and the queue (450
// wide) side by side in a fixed 800 x 520 frame, with the active toast
// floating over the top edge of both.

#include <QWidget>

class QAction;
class DashboardViewModel;
class QParallelAnimationGroup;
class QSplitter;
class ToastViewModel;
class ViewModelContainer;

namespace views {

class DashboardView;
class QueueView;
class ToastView;

class ContentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 800;
    static constexpr int contentHeight = 520;
    static constexpr int dashboardWidth = 350;
    static constexpr int queueWidth = 450;
    static constexpr int toastTop = 20;

    explicit ContentView(ViewModelContainer& viewModels, QWidget* parent = nullptr);

    DashboardView* dashboard() const { return m_dashboard; }
    QueueView* queue() const { return m_queue; }
    ToastView* toast() const { return m_toast; }
    // Window-wide commands, also offered in the menu bar.
    QAction* addFilesAction() const { return m_addFiles; }
    QAction* startProcessingAction() const { return m_startProcessing; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSplitter* buildPanes(ViewModelContainer& viewModels);
    void buildActions(DashboardViewModel& dashboard);
    void buildToast();
    void showActiveToast();
    QRect toastGeometry(bool shown) const;

    ToastViewModel& m_toastViewModel;
    DashboardView* m_dashboard = nullptr;
    QueueView* m_queue = nullptr;
    ToastView* m_toast = nullptr;
    QParallelAnimationGroup* m_toastMotion = nullptr;
    QAction* m_addFiles = nullptr;
    QAction* m_startProcessing = nullptr;
    bool m_toastLeaving = false;
};

} // namespace views
