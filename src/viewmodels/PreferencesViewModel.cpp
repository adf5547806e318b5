#include "viewmodels/PreferencesViewModel.h"

#include "services/SettingsService.h"

#include <algorithm>
#include <cmath>

PreferencesViewModel::PreferencesViewModel(SettingsService& settingsService, QObject* parent)
    : QObject(parent)
    , m_settings(settingsService)
{
    connect(&m_settings, &SettingsService::mixOptionsChanged, this, &PreferencesViewModel::changed);
}

bool PreferencesViewModel::matchLoudness() const
{
    return m_settings.matchLoudness();
}

void PreferencesViewModel::setMatchLoudness(bool on)
{
    m_settings.setMatchLoudness(on);
}

double PreferencesViewModel::loudnessTarget() const
{
    return m_settings.loudnessTarget();
}

void PreferencesViewModel::setLoudnessTarget(double lufs)
{
    if (!std::isnan(lufs))
        m_settings.setLoudnessTarget(std::clamp(lufs, targetMinimum, targetMaximum));
}

double PreferencesViewModel::truePeakCeiling() const
{
    return m_settings.truePeakCeiling();
}

void PreferencesViewModel::setTruePeakCeiling(double dbtp)
{
    if (!std::isnan(dbtp))
        m_settings.setTruePeakCeiling(std::clamp(dbtp, ceilingMinimum, ceilingMaximum));
}

bool PreferencesViewModel::titlesFromTags() const
{
    return m_settings.titlesFromTags();
}

void PreferencesViewModel::setTitlesFromTags(bool on)
{
    m_settings.setTitlesFromTags(on);
}
