#include "platform/SysfsThermalSource.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

std::optional<int> readInt(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const int v = f.readAll().trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

QString readWord(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll().trimmed());
}

// The lowest positive trip of each kind; 0 = none.
SysfsThermalSource::Trips readTrips(const QDir& zone)
{
    SysfsThermalSource::Trips trips;
    const auto keepLowest = [](int& slot, int v) {
        if (v > 0 && (slot <= 0 || v < slot))
            slot = v;
    };
    const QStringList types = zone.entryList({QStringLiteral("trip_point_*_type")}, QDir::Files);
    for (const QString& typeFile : types) {
        const QString type = readWord(zone.filePath(typeFile));
        QString tempFile = typeFile;
        tempFile.replace(QStringLiteral("_type"), QStringLiteral("_temp"));
        const std::optional<int> temp = readInt(zone.filePath(tempFile));
        if (!temp)
            continue;
        if (type == QLatin1String("passive"))
            keepLowest(trips.passive, *temp);
        else if (type == QLatin1String("hot"))
            keepLowest(trips.hot, *temp);
        else if (type == QLatin1String("critical"))
            keepLowest(trips.critical, *temp);
    }
    return trips;
}

} // namespace

SysfsThermalSource::SysfsThermalSource(QString root) : m_root(std::move(root)) {}

// Level of one zone, in millidegrees Celsius:
//   critical  from the hot trip, or from 5 °C below the critical trip (the
//             kernel shuts down at the critical trip, so we stop just before);
//   serious   from the passive trip (where the kernel starts throttling);
//   fair      from 10 °C below the passive trip;
//   nominal   below that.
// Trips a zone does not have fall back to fixed thresholds: 90 °C critical,
// 80 °C serious, 70 °C fair. Thresholds never exceed the ones above them, so
// a low hot/critical trip also lowers the others.
int SysfsThermalSource::levelFor(int milliCelsius, const Trips& trips)
{
    int critical = 90000;
    if (trips.hot > 0 || trips.critical > 0) {
        critical = INT_MAX;
        if (trips.hot > 0)
            critical = std::min(critical, trips.hot);
        if (trips.critical > 0)
            critical = std::min(critical, trips.critical - 5000);
    }
    const int serious = std::min(trips.passive > 0 ? trips.passive : 80000, critical);
    const int fair = serious - 10000;
    if (milliCelsius >= critical)
        return 3;
    if (milliCelsius >= serious)
        return 2;
    if (milliCelsius >= fair)
        return 1;
    return 0;
}

// The machine is as hot as its hottest zone. No readable zone: nominal.
int SysfsThermalSource::readLevel()
{
    const QDir root(m_root);
    int level = 0;
    const QStringList zones = root.entryList({QStringLiteral("thermal_zone*")},
                                             QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : zones) {
        const QDir zone(root.filePath(name));
        const std::optional<int> temp = readInt(zone.filePath(QStringLiteral("temp")));
        if (!temp)
            continue;
        level = std::max(level, levelFor(*temp, readTrips(zone)));
    }
    return level;
}
