#pragma once
// What the preferences dialog shows and may do: loudness matching with its
// target and true-peak ceiling, and titles from song tags. Holds no state;
// it reads and writes the settings service. New jobs take these values when
// they are made; jobs already queued keep their own.

#include "models/MixOptions.h"

#include <QObject>

class SettingsService;

class PreferencesViewModel : public QObject {
    Q_OBJECT
public:
    // The spin boxes' ends and steps, for the screen that cannot see the lower floors.
    static constexpr double targetMinimum = loudness::minTarget;
    static constexpr double targetMaximum = loudness::maxTarget;
    static constexpr double ceilingMinimum = loudness::minCeiling;
    static constexpr double ceilingMaximum = loudness::maxCeiling;
    static constexpr double step = 0.5;
    static constexpr int decimals = 1;

    explicit PreferencesViewModel(SettingsService& settingsService, QObject* parent = nullptr);

    bool matchLoudness() const;
    void setMatchLoudness(bool on);
    // The target and ceiling only mean something while matching is on.
    bool canEditLoudnessLevels() const { return matchLoudness(); }
    double loudnessTarget() const;
    // Values outside the bounds are taken as the nearest bound; NaN is ignored.
    void setLoudnessTarget(double lufs);
    double truePeakCeiling() const;
    void setTruePeakCeiling(double dbtp);

    bool titlesFromTags() const;
    void setTitlesFromTags(bool on);

signals:
    // Any of the values above may have changed.
    void changed();

private:
    SettingsService& m_settings;
};
