#include "services/MixOutputName.h"

#include "services/TracklistWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

// Room in a 255-byte file name for what our runs add to a movie's stem: a
// "_<n>" suffix, ".mp4" (or the tracklist's ".txt"), and the staging name's
// "." + ".<6 letters>.part".
constexpr qsizetype kMaxStemBytes = 255 - 4 - 4 - 13;

// The longest prefix of `text` that fits in `maxBytes` of UTF-8, cut
// between characters.
QString utf8Prefix(const QString& text, qsizetype maxBytes)
{
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        bytes += QStringView(text).mid(i, step).toUtf8().size();
        if (bytes > maxBytes)
            break;
        i += step;
    }
    return text.left(i);
}

} // namespace

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
    const QString mix = QStringLiteral("_mix_") + QString::number(unixSeconds);
    const QString stem = utf8Prefix(QFileInfo(sourcePath).completeBaseName(), kMaxStemBytes - mix.size()) + mix;
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
