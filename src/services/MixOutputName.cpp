#include "services/MixOutputName.h"

#include <QDir>
#include <QFileInfo>

QString uniqueMixOutputPath(const QString& folder, const QString& sourcePath, qint64 unixSeconds,
                            const std::function<bool(const QString& path)>& isTaken)
{
    const QDir dir(folder);
    const QString stem = QFileInfo(sourcePath).completeBaseName() + QStringLiteral("_mix_")
        + QString::number(unixSeconds);
    QString path = dir.absoluteFilePath(stem + QStringLiteral(".mp4"));
    for (int n = 2; isTaken(path); ++n)
        path = dir.absoluteFilePath(stem + QStringLiteral("_%1.mp4").arg(n));
    return path;
}
