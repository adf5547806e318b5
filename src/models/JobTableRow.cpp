#include "models/JobTableRow.h"

#include "models/MixJob.h"
#include "models/ModelsLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QtDebug>

#include <bit>
#include <cmath>
#include <optional>

namespace {

constexpr const char* kNames[JobTableRow::columnCount] = {
    "id", "videoPath", "audioPaths", "outputPath", "progress",
    "statusValue", "statusMessage", "createdAt", "videoBookmark",
    "loudnessTarget", "truePeakCeiling", "titlesFromTags",
};

bool isNumber(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

std::optional<QStringList> parseStringArray(const QVariant& stored)
{
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(stored.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QStringList paths;
    for (const QJsonValue& v : doc.array()) {
        if (!v.isString())
            return std::nullopt;
        paths.append(v.toString());
    }
    return paths;
}

// Dates are written as ISO-8601 UTC with milliseconds; whole milliseconds
// since the epoch are accepted too, as either an integer or its text.
std::optional<QDateTime> parseDate(const QVariant& stored)
{
    if (stored.isNull())
        return std::nullopt;
    bool isInteger = false;
    const qint64 ms = isNumber(stored) ? stored.toLongLong(&isInteger)
                                       : stored.toString().toLongLong(&isInteger);
    if (isInteger)
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    QDateTime date = QDateTime::fromString(stored.toString(), Qt::ISODateWithMs);
    if (!date.isValid())
        return std::nullopt;
    return date.toUTC();
}

// A value out of bounds (a hand edit) reads as the option off or its
// default rather than asking the mixer for an absurd gain.
MixOptions readMixOptions(const QVariant& target, const QVariant& ceiling, const QVariant& titles)
{
    MixOptions options;
    bool ok = false;
    const double lufs = target.toDouble(&ok);
    if (!target.isNull() && ok && loudness::isValidTarget(lufs))
        options.loudnessTarget = lufs;
    const double dbtp = ceiling.toDouble(&ok);
    if (!ceiling.isNull() && ok && loudness::isValidCeiling(dbtp))
        options.truePeakCeiling = dbtp;
    options.titlesFromTags = titles.toLongLong() == 1;
    return options;
}

} // namespace

const char* JobTableRow::name(Column column)
{
    return kNames[std::countr_zero(unsigned(column))];
}

JobTableRow::Column JobTableRow::columnAt(int index)
{
    return Column(1u << index);
}

QString JobTableRow::columnList()
{
    QStringList names;
    for (const char* n : kNames)
        names.append(QLatin1String(n));
    return names.join(QStringLiteral(", "));
}

QString JobTableRow::idText(const MixJob& job)
{
    return job.m_id.toString(QUuid::WithoutBraces);
}

QVariant JobTableRow::value(const MixJob& job, Column column)
{
    const QVariant null {QMetaType::fromType<QString>()};
    switch (column) {
    case id:
        return idText(job);
    case videoPath:
        return job.m_videoPath;
    case audioPaths:
        return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(job.m_audioPaths))
                                     .toJson(QJsonDocument::Compact));
    case outputPath:
        return job.m_outputPath ? QVariant(*job.m_outputPath) : null;
    case progress:
        return double(job.m_progress);
    case statusValue:
        return job.m_statusValue;
    case statusMessage:
        return job.m_statusMessage;
    case createdAt:
        return job.m_createdAt.toUTC().toString(Qt::ISODateWithMs);
    case videoBookmark:
        return job.m_videoBookmark ? QVariant(*job.m_videoBookmark)
                                   : QVariant(QMetaType::fromType<QByteArray>());
    case loudnessTarget:
        return job.m_mixOptions.loudnessTarget ? QVariant(*job.m_mixOptions.loudnessTarget)
                                               : QVariant(QMetaType::fromType<double>());
    case truePeakCeiling:
        return job.m_mixOptions.truePeakCeiling;
    case titlesFromTags:
        return int(job.m_mixOptions.titlesFromTags);
    }
    return null;
}

MixJob* JobTableRow::read(const QSqlQuery& row, QObject* parent, QString* key)
{
    auto at = [&](Column c) { return row.value(std::countr_zero(unsigned(c))); };

    const QString idStored = at(id).toString();
    const QUuid uuid = QUuid::fromString(idStored);
    if (uuid.isNull()) {
        qCWarning(lcModels).noquote() << "Job store: skipping a row with an unreadable id:" << idStored;
        return nullptr;
    }
    *key = idStored;

    auto* job = new MixJob(parent);
    job->m_id = uuid;
    const QString name = uuid.toString(QUuid::WithoutBraces);

    job->m_videoPath = at(videoPath).toString();

    if (const auto paths = parseStringArray(at(audioPaths)))
        job->m_audioPaths = *paths;
    else
        qCWarning(lcModels).noquote() << "Job store: job" << name
                             << "has unreadable audioPaths; reading them as an empty list";

    const QVariant output = at(outputPath);
    if (!output.isNull())
        job->m_outputPath = output.toString();

    bool ok = false;
    const double fraction = at(progress).toDouble(&ok);
    job->m_progress = ok && std::isfinite(fraction) ? float(fraction) : 0.0f;

    // An unreadable status becomes -1: it reads as pending but no filter
    // picks it to run, like any other out-of-range code.
    const QVariant status = at(statusValue);
    const qint64 code = status.toLongLong(&ok);
    job->m_statusValue = ok ? code : -1;
    if (!ok)
        qCWarning(lcModels).noquote() << "Job store: job" << name << "has an unreadable statusValue";

    job->m_statusMessage = at(statusMessage).toString();

    if (const auto date = parseDate(at(createdAt))) {
        job->m_createdAt = *date;
    } else {
        job->m_createdAt = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        qCWarning(lcModels).noquote() << "Job store: job" << name << "has an unreadable createdAt";
    }

    const QVariant bookmark = at(videoBookmark);
    if (!bookmark.isNull())
        job->m_videoBookmark = bookmark.toByteArray();
    job->m_mixOptions = readMixOptions(at(loudnessTarget), at(truePeakCeiling), at(titlesFromTags));
    return job;
}
