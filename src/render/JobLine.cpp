#include "render/JobLine.h"

#include "models/Crossfade.h"
#include "models/MixOptions.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace JobLine {

namespace {

// The number under `key` when the job has one; a value that is not a number
// within [minimum, maximum] (as `valid` tells) is refused in words.
Result<std::optional<double>> boundedNumber(const QJsonObject& job, const char* key, bool (*valid)(double),
                                            double minimum, double maximum, const char* unit)
{
    if (!job.contains(QLatin1String(key)))
        return std::optional<double>();
    const QJsonValue value = job.value(QLatin1String(key));
    if (!value.isDouble() || !valid(value.toDouble()))
        return Failure(QStringLiteral("a job's \"%1\" must be %2 to %3 %4")
                           .arg(QLatin1String(key))
                           .arg(minimum)
                           .arg(maximum)
                           .arg(QLatin1String(unit)));
    return std::optional<double>(value.toDouble());
}

Result<MixOptions> parseMixOptions(const QJsonObject& job)
{
    MixOptions mix;
    const auto target = boundedNumber(job, "loudness", loudness::isValidTarget, loudness::minTarget,
                                      loudness::maxTarget, "LUFS");
    if (!target)
        return Failure(target.error());
    mix.loudnessTarget = *target;
    const auto ceiling = boundedNumber(job, "truePeak", loudness::isValidCeiling, loudness::minCeiling,
                                       loudness::maxCeiling, "dBTP");
    if (!ceiling)
        return Failure(ceiling.error());
    if (*ceiling)
        mix.truePeakCeiling = **ceiling;
    if (job.contains(QLatin1String("titles"))) {
        const QString titles = job.value(QLatin1String("titles")).toString();
        if (titles != QLatin1String("tags") && titles != QLatin1String("files"))
            return Failure(QStringLiteral("a job's \"titles\" must be \"tags\" or \"files\""));
        mix.titlesFromTags = titles == QLatin1String("tags");
    }
    return mix;
}

}

QString format(const RenderItem& item)
{
    QJsonArray songs;
    for (const QUrl& song : item.songs)
        songs.append(song.toLocalFile());
    QJsonObject job {{QStringLiteral("source"), item.sourcePath},
                     {QStringLiteral("songs"), songs},
                     {QStringLiteral("crossfade"), item.crossfade},
                     {QStringLiteral("output"), item.outputPath}};
    if (item.mix.loudnessTarget) {
        job.insert(QStringLiteral("loudness"), *item.mix.loudnessTarget);
        job.insert(QStringLiteral("truePeak"), item.mix.truePeakCeiling);
    }
    if (item.mix.titlesFromTags)
        job.insert(QStringLiteral("titles"), QStringLiteral("tags"));
    return QString::fromUtf8(QJsonDocument(job).toJson(QJsonDocument::Compact));
}

Result<RenderItem> parse(const QString& line)
{
    QJsonParseError parseError {};
    const QJsonDocument doc = QJsonDocument::fromJson(line.trimmed().toUtf8(), &parseError);
    if (!doc.isObject())
        return Failure(QStringLiteral("a job line must be a JSON object (%1)").arg(parseError.errorString()));
    const QJsonObject job = doc.object();

    RenderItem item;
    item.sourcePath = job.value(QLatin1String("source")).toString();
    item.outputPath = job.value(QLatin1String("output")).toString();
    if (!QDir::isAbsolutePath(item.sourcePath) || !QDir::isAbsolutePath(item.outputPath))
        return Failure(QStringLiteral("a job needs an absolute \"source\" and \"output\""));
    // The tracklist is written beside the movie under the same name with
    // ".txt": any other ending could make it overwrite the movie or a file
    // the movie was never meant to replace.
    if (!item.outputPath.endsWith(QLatin1String(".mp4"), Qt::CaseInsensitive))
        return Failure(QStringLiteral("a job's \"output\" must end in .mp4"));

    const QJsonArray songs = job.value(QLatin1String("songs")).toArray();
    for (const QJsonValue& song : songs) {
        if (!QDir::isAbsolutePath(song.toString()))
            return Failure(QStringLiteral("a job's \"songs\" must be absolute paths"));
        item.songs.append(QUrl::fromLocalFile(song.toString()));
    }
    if (item.songs.isEmpty())
        return Failure(QStringLiteral("a job needs at least one song"));

    // The same bounds as the app's setting and --crossfade.
    const QJsonValue seconds = job.value(QLatin1String("crossfade"));
    item.crossfade = seconds.toDouble(-1);
    if (!seconds.isDouble() || !std::isfinite(item.crossfade) || item.crossfade < crossfade::minSeconds
        || item.crossfade > crossfade::maxSeconds)
        return Failure(QStringLiteral("a job's \"crossfade\" must be %1 to %2 seconds")
                                 .arg(crossfade::minSeconds)
                                 .arg(crossfade::maxSeconds));
    const Result<MixOptions> mix = parseMixOptions(job);
    if (!mix)
        return Failure(mix.error());
    item.mix = *mix;
    return item;
}

} // namespace JobLine
