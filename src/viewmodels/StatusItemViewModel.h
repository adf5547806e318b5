#pragma once
// State of the menu-bar (tray) status item: the pause/resume item's title and
// the rendered label (a dot in the thermal colour and "rendering" /
// "not running"), re-rendered whenever the queue or the thermal level changes.

#include <QColor>
#include <QImage>
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
    // The label at scale factor 2.0 (null if it could not be rendered).
    QImage labelImage() const;

    void togglePause();

signals:
    void pauseTitleChanged();
    void labelChanged();

private:
    bool isPaused() const;

    JobService& m_jobService;
    ThermalService& m_thermalService;
};
