#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (shutdown, Ctrl-C, logout) into a Qt signal
// on the main thread, so the app and loopcaster-render can stop their runs in
// order (jobs kept for the next start, temporaries removed) instead of dying
// mid-write. The handler only writes
// a byte to a pipe (async-signal-safe); a QSocketNotifier reads it in the
// event loop. One watcher per process.

#include <QObject>

class QSocketNotifier;

class QuitSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit QuitSignalWatcher(QObject* parent = nullptr);
    ~QuitSignalWatcher() override; // restores the default actions

    bool isActive() const { return m_notifier != nullptr; }

signals:
    // The number of the signal that asked to quit.
    void quitRequested(int signalNumber);

private:
    void onReadable();
    QSocketNotifier* m_notifier = nullptr;
};
