#include "services/MixOutputName.h"

#include "services/TracklistWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

QString nextFreeOutputPath(const QString& path, const std::function<bool(const QString& path)>& isTaken)
{
    if (!isTaken(path))
        return path;
    const QFileInfo info(path);
    QString stem = info.completeBaseName();
    const QString ext = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    // Continue an existing "_<n>" of a mix name instead of stacking "_2_2".
    static const QRegularExpression numbered(QStringLiteral("^(.*_mix_\\d+)_(\\d+)$"));
    int n = 2;
    if (const auto m = numbered.match(stem); m.hasMatch()) {
        stem = m.captured(1);
        n = m.captured(2).toInt() + 1;
    }
    const QDir dir = info.dir();
    QString candidate;
    do {
        candidate = dir.filePath(stem + QStringLiteral("_%1").arg(n++) + ext);
    } while (isTaken(candidate));
    return candidate;
}

QString uniqueMixOutputPath(const QString& folder, const QString& sourcePath, qint64 unixSeconds,
                            const std::function<bool(const QString& path)>& isTaken)
{
    const QDir dir(folder);
    const QString stem = QFileInfo(sourcePath).completeBaseName() + QStringLiteral("_mix_")
        + QString::number(unixSeconds);
    return nextFreeOutputPath(dir.absoluteFilePath(stem + QStringLiteral(".mp4")), isTaken);
}

bool isOutputNameOnDisk(const QString& moviePath)
{
    const auto present = [](const QString& p) {
        const QFileInfo info(p);
        return info.exists() || info.isSymLink();
    };
    return present(moviePath)
        || present(TracklistWriter::tracklistURL(QUrl::fromLocalFile(moviePath)).toLocalFile());
}
