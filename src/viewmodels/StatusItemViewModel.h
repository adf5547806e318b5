#pragma once
// State of the tray status item: the pause/resume item's title, whether the
// queue is rendering ("rendering" / "not running"), the queue's time left and
// the thermal colour of its dot; labelChanged fires whenever the queue or the
// thermal level changes, timeLeftTextChanged whenever that text does.

#include <QColor>
#include <QObject>
#include <QString>

class JobService;
class ThermalService;

class StatusItemViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString pauseTitle READ pauseTitle NOTIFY pauseTitleChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY labelChanged)
    Q_PROPERTY(QString timeLeftText READ timeLeftText NOTIFY timeLeftTextChanged)

public:
    StatusItemViewModel(JobService& jobService, ThermalService& thermalService, QObject* parent = nullptr);

    QString pauseTitle() const { return pauseTitleFor(isPaused()); }
    // "Resume Queue" while paused, else "Pause Queue" (every pause toggle reads so).
    static QString pauseTitleFor(bool queuePaused);
    QString statusText() const;   // "rendering" while a job runs, else "not running"
    QString timeLeftText() const { return m_timeLeftText; } // "12:30 left", or empty
    bool isProcessing() const;
    QColor thermalColor() const;

    void togglePause();

signals:
    void pauseTitleChanged();
    void labelChanged();
    void timeLeftTextChanged();

private:
    bool isPaused() const;
    void updateTimeLeftText();

    JobService& m_jobService;
    ThermalService& m_thermalService;
    QString m_timeLeftText;
};
