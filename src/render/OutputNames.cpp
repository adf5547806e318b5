#include "render/OutputNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

QString mixFileName(const QString& sourcePath, qint64 unixSeconds)
{
    return QFileInfo(sourcePath).completeBaseName() + QStringLiteral("_mix_") + QString::number(unixSeconds)
        + QStringLiteral(".mp4");
}

QStringList uniqueOutputPaths(const QStringList& sources, const QString& folder, qint64 unixSeconds)
{
    const QDir dir(folder);
    QSet<QString> taken;
    QStringList paths;
    for (const QString& source : sources) {
        const QString name = mixFileName(source, unixSeconds);
        QString unique = name;
        const QString stem = name.chopped(4); // ".mp4"
        for (int n = 2; taken.contains(unique); ++n)
            unique = stem + QStringLiteral("_%1.mp4").arg(n);
        taken.insert(unique);
        paths.append(dir.absoluteFilePath(unique));
    }
    return paths;
}
