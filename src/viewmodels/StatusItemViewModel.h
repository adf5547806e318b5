#pragma once
// State of the tray status item: the pause/resume item's title, whether the
// queue is rendering ("rendering" / "not running") and the thermal colour of
// its dot; labelChanged fires whenever the queue or the thermal level changes.

#include <QColor>
#include <QObject>
#include <QString>

class JobService;
class ThermalService;

class StatusItemViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString pauseTitle READ pauseTitle NOTIFY pauseTitleChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY labelChanged)

public:
    StatusItemViewModel(JobService& jobService, ThermalService& thermalService, QObject* parent = nullptr);

    QString pauseTitle() const { return pauseTitleFor(isPaused()); }
    // "Resume Queue" while paused, else "Pause Queue" (every pause toggle reads so).
    static QString pauseTitleFor(bool queuePaused);
    QString statusText() const;   // "rendering" while a job runs, else "not running"
    bool isProcessing() const;
    QColor thermalColor() const;

    void togglePause();

signals:
    void pauseTitleChanged();
    void labelChanged();

private:
    bool isPaused() const;

    JobService& m_jobService;
    ThermalService& m_thermalService;
};
