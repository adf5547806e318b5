#include "render/OutputNames.h"

#include "services/MixOutputName.h"

#include <QSet>

QStringList uniqueOutputPaths(const QStringList& sources, const QString& folder, qint64 unixSeconds)
{
    QSet<QString> taken;
    QStringList paths;
    for (const QString& source : sources) {
        const QString path = uniqueMixOutputPath(folder, source, unixSeconds, [&taken](const QString& p) {
            return taken.contains(p) || isOutputNameOnDisk(p);
        });
        taken.insert(path);
        paths.append(path);
    }
    return paths;
}
