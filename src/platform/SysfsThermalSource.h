#pragma once
// The Linux thermal level from the kernel's thermal zones
// (/sys/class/thermal/thermal_zone*/temp and their trip points).

#include "platform/ThermalSource.h"

#include <QString>

class SysfsThermalSource : public ThermalSource {
public:
    static QString defaultRoot() { return QStringLiteral("/sys/class/thermal"); }
    explicit SysfsThermalSource(QString root = defaultRoot());

    int readLevel() override;

    // One zone's level from its temperature and trip points (millidegrees C;
    // a trip of 0 or below counts as absent).
    struct Trips {
        int passive = 0;
        int hot = 0;
        int critical = 0;
    };
    static int levelFor(int milliCelsius, const Trips& trips);

private:
    QString m_root;
};
