#pragma once
// Turns SIGINT/SIGTERM into a Qt signal on the main thread, so Ctrl-C can stop
// the running render cleanly (its temporary file removed, no half movie left)
// instead of killing the process mid-write. A second Ctrl-C kills at once.

#include <QObject>

class QSocketNotifier;

class InterruptWatcher : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

signals:
    void interrupted();

private:
    void onReadable();
    QSocketNotifier* m_notifier = nullptr;
};
