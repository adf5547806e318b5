#include "services/RunPreflight.h"

#include "media/common/InputFile.h"
#include "media/common/MediaError.h"
#include "media/video/ImageDecoder.h"
#include "media/video/ImageHeader.h"
#include "media/video/StillImageSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

using namespace lc::media;

namespace RunPreflight {

namespace {

constexpr qint64 kImageSniffBytes = 8;

QString unsupported(const QString& name, const QString& why)
{
    return QStringLiteral("Unsupported source %1: %2").arg(name, why);
}

std::optional<QString> checkStillImage(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot access video file");
    if (QFileInfo(path).suffix().toLower() == QLatin1String("heic")) {
        try {
            decodeImage(path);
        } catch (const MediaError& e) {
            return unsupported(name, e.message());
        }
        return std::nullopt;
    }
    const ImageKind kind = sniffImageKind(file.read(kImageSniffBytes));
    if (kind == ImageKind::Unknown)
        return unsupported(name, QStringLiteral("not a JPEG or PNG image"));
    // Headers may sit behind megabytes of metadata: read from the file.
    const QSize size = readImageSize(file, kind);
    if (!size.isValid() || size.isEmpty())
        return unsupported(name, QStringLiteral("the image cannot be read"));
    if (qint64(size.width()) * size.height() > kMaxImagePixels)
        return unsupported(name, QStringLiteral("the image is too large (%1 × %2)")
                                     .arg(size.width()).arg(size.height()));
    return std::nullopt;
}

// The loop copies the clip's packets into an MP4 as they are, so the codec
// must be one the MP4 muxer takes.
std::optional<QString> checkVideo(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    try {
        InputFormatPtr input = openInputFile(path);
        AVStream* video = keepFirstStream(input.get(), AVMEDIA_TYPE_VIDEO);
        if (!video)
            return unsupported(name, QStringLiteral("it has no video"));
        const AVOutputFormat* mp4 = av_guess_format("mp4", nullptr, nullptr);
        if (mp4 && avformat_query_codec(mp4, video->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1)
            return unsupported(name, QStringLiteral("%1 video cannot be copied into an MP4 movie")
                                         .arg(QString::fromLatin1(avcodec_get_name(video->codecpar->codec_id))));
    } catch (const MediaError& e) {
        return unsupported(name, e.message());
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> checkOutput(const QString& outputPath)
{
    if (outputPath.isEmpty())
        return QStringLiteral("Invalid output path");
    if (QDir::isRelativePath(outputPath))
        return QStringLiteral("Invalid output path %1: not an absolute path").arg(outputPath);
    const QString folder = QFileInfo(outputPath).absolutePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return QStringLiteral("Cannot write to the output folder %1: not a folder").arg(folder);
    if (!folderInfo.exists() && !QDir().mkpath(folder))
        return QStringLiteral("Cannot create the output folder %1").arg(folder);
    // access(2) also answers for read-only mounts and ACLs, which the mode
    // bits alone do not show.
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        const int err = errno;
        return QStringLiteral("Cannot write to the output folder %1: %2")
            .arg(folder, QString::fromLocal8Bit(std::strerror(err)));
    }
    return std::nullopt;
}

std::optional<QString> checkSource(const QString& sourcePath)
{
    const QFileInfo info(sourcePath);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("Cannot access video file");
    return isStillImagePath(sourcePath) ? checkStillImage(sourcePath) : checkVideo(sourcePath);
}

std::optional<QString> check(const QString& sourcePath, const QString& outputPath)
{
    if (auto error = checkOutput(outputPath))
        return error;
    return checkSource(sourcePath);
}

} // namespace RunPreflight
