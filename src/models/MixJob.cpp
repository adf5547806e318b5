#include "models/MixJob.h"

#include <cmath>

namespace {

QString pathOf(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.path();
}

// NaN never equals itself; without this a NaN would be "changed" forever.
bool sameProgress(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

MixJob::MixJob(const QUrl& videoURL, const QList<QUrl>& audioURLs, std::optional<QByteArray> videoBookmark,
               QObject* parent)
    : QObject(parent)
    , m_id(QUuid::createUuid())
    , m_videoPath(pathOf(videoURL))
    , m_statusMessage(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Waiting...")))
    , m_createdAt(QDateTime::currentDateTimeUtc())
    , m_videoBookmark(std::move(videoBookmark))
{
    m_audioPaths.reserve(audioURLs.size());
    for (const QUrl& url : audioURLs)
        m_audioPaths.append(pathOf(url));
}

MixJob::MixJob(QObject* parent)
    : QObject(parent)
{
}

void MixJob::setVideoPath(const QString& v)
{
    if (m_videoPath == v)
        return;
    m_videoPath = v;
    emit videoPathChanged();
    emit changed(this);
}

void MixJob::setAudioPaths(const QStringList& v)
{
    if (m_audioPaths == v)
        return;
    m_audioPaths = v;
    emit audioPathsChanged();
    emit changed(this);
}

void MixJob::setOutputPath(const std::optional<QString>& v)
{
    if (m_outputPath == v)
        return;
    m_outputPath = v;
    emit outputPathChanged();
    emit changed(this);
}

void MixJob::setProgress(float v)
{
    if (sameProgress(m_progress, v))
        return;
    m_progress = v;
    emit progressChanged();
    emit changed(this);
}

void MixJob::setStatusValue(qint64 v)
{
    if (m_statusValue == v)
        return;
    m_statusValue = v;
    emit statusValueChanged();
    emit changed(this);
}

void MixJob::setStatusMessage(const QString& v)
{
    if (m_statusMessage == v)
        return;
    m_statusMessage = v;
    emit statusMessageChanged();
    emit changed(this);
}

void MixJob::reportProgress(float fraction, const QString& message)
{
    const bool progressMoves = !sameProgress(m_progress, fraction);
    const bool messageMoves = m_statusMessage != message;
    if (progressMoves) {
        m_progress = fraction;
        emit progressChanged();
    }
    if (messageMoves) {
        m_statusMessage = message;
        emit statusMessageChanged();
    }
    if (progressMoves || messageMoves)
        emit changed(this);
}

void MixJob::setVideoBookmark(const std::optional<QByteArray>& v)
{
    if (m_videoBookmark == v)
        return;
    m_videoBookmark = v;
    emit videoBookmarkChanged();
    emit changed(this);
}

void MixJob::setMixOptions(const MixOptions& v)
{
    if (m_mixOptions == v)
        return;
    m_mixOptions = v;
    emit mixOptionsChanged();
    emit changed(this);
}

QList<QUrl> MixJob::audioURLs() const
{
    QList<QUrl> urls;
    urls.reserve(m_audioPaths.size());
    for (const QString& path : m_audioPaths)
        urls.append(QUrl::fromLocalFile(path));
    return urls;
}

std::optional<QUrl> MixJob::outputURL() const
{
    if (!m_outputPath)
        return std::nullopt;
    return QUrl::fromLocalFile(*m_outputPath);
}

QString MixJob::displayName() const
{
    QString name = m_videoPath;
    while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
        name.chop(1);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    // A leading dot names a hidden file, not an extension; a trailing dot is
    // no extension either.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && dot < name.size() - 1)
        name.truncate(dot);
    return name;
}
