#include "services/RenderPreflight.h"

#include "media/common/InputFile.h"
#include "media/common/MediaError.h"
#include "media/video/ImageDecoder.h"
#include "media/video/ImageHeader.h"
#include "media/video/StillImageSource.h"
#include "services/RenderPipeline.h"

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

namespace RenderPreflight {

namespace {

constexpr qint64 kImageSniffBytes = 8;

// Said the way the render itself would fail on the same file.
Failure<QString> imageRefused(const QString& path, const QString& why)
{
    const QString message = QStringLiteral("Failed to load image from %1: %2").arg(QFileInfo(path).fileName(), why);
    return Failure(RenderError::compositionFailed(message).errorDescription());
}

Failure<QString> mediaRefused(const MediaError& e)
{
    return Failure(RenderPipeline::errorFor(e).errorDescription());
}

Failure<QString> noAccess()
{
    return Failure(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Cannot access video file")));
}

Result<void> checkStillImage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return noAccess();
    if (QFileInfo(path).suffix().toLower() == QLatin1String("heic")) {
        try {
            decodeImage(path);
        } catch (const MediaError& e) {
            return mediaRefused(e);
        }
        return {};
    }
    const ImageKind kind = sniffImageKind(file.read(kImageSniffBytes));
    if (kind == ImageKind::Unknown)
        return imageRefused(path, QStringLiteral("not a JPEG or PNG image"));
    // Headers may sit behind megabytes of metadata: read from the file.
    const QSize size = readImageSize(file, kind);
    if (!size.isValid() || size.isEmpty())
        return imageRefused(path, QStringLiteral("the image cannot be read"));
    if (qint64(size.width()) * size.height() > kMaxImagePixels)
        return imageRefused(path, QStringLiteral("the image is too large (%1 × %2)")
                                      .arg(size.width()).arg(size.height()));
    return {};
}

// The loop copies the clip's packets into an MP4 as they are, so the codec
// must be one the MP4 muxer takes.
Result<void> checkVideo(const QString& path)
{
    try {
        InputFormatPtr input = openInputFile(path);
        AVStream* video = keepFirstStream(input.get(), AVMEDIA_TYPE_VIDEO);
        if (!video)
            return Failure(RenderError::compositionFailed(QStringLiteral("Video file has no video track"))
                               .errorDescription());
        const AVOutputFormat* mp4 = av_guess_format("mp4", nullptr, nullptr);
        if (mp4 && avformat_query_codec(mp4, video->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1) {
            const QString codec = QString::fromLatin1(avcodec_get_name(video->codecpar->codec_id));
            return Failure(RenderError::exportFailed(QStringLiteral("%1 video in %2 cannot be copied into an MP4 movie")
                                                        .arg(codec, QFileInfo(path).fileName()))
                               .errorDescription());
        }
    } catch (const MediaError& e) {
        return mediaRefused(e);
    }
    return {};
}

Failure<QString> badOutput(const QString& why)
{
    return Failure(QStringLiteral("Invalid output path: ") + why);
}

} // namespace

Result<void> checkOutput(const QString& outputPath)
{
    if (outputPath.isEmpty())
        return Failure(QStringLiteral(QT_TRANSLATE_NOOP("JobStatus", "Invalid output path")));
    if (QDir::isRelativePath(outputPath))
        return badOutput(QStringLiteral("%1 is not an absolute path").arg(outputPath));
    const QString folder = QFileInfo(outputPath).absolutePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return badOutput(QStringLiteral("%1 is not a folder").arg(folder));
    if (!folderInfo.exists() && !QDir().mkpath(folder))
        return badOutput(QStringLiteral("cannot create the folder %1").arg(folder));
    // access(2) also answers for read-only mounts and ACLs, which the mode
    // bits alone do not show.
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        const int err = errno;
        return badOutput(QStringLiteral("cannot write to the folder %1 (%2)")
                             .arg(folder, QString::fromLocal8Bit(std::strerror(err))));
    }
    return {};
}

Result<void> checkSource(const QString& sourcePath)
{
    const QFileInfo info(sourcePath);
    if (!info.isFile() || !info.isReadable())
        return noAccess();
    return isStillImagePath(sourcePath) ? checkStillImage(sourcePath) : checkVideo(sourcePath);
}

Result<void> check(const QString& sourcePath, const QString& outputPath)
{
    if (Result<void> output = checkOutput(outputPath); !output)
        return output;
    return checkSource(sourcePath);
}

} // namespace RenderPreflight
