#include "media/video/ImageDecoder.h"

#include "media/common/CancellableFile.h"
#include "media/common/FfmpegPtr.h"
#include "media/common/MediaError.h"
#include "media/video/ImageHeader.h"
#include "media/video/Orientation.h"

#include <QFileInfo>

#include <libheif/heif.h>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <cstring>
#include <memory>

namespace lc::media {

namespace {

// Larger files are not photos we can hold; reading stops there.
constexpr qint64 kMaxImageFileBytes = 512ll * 1024 * 1024;

CompositionError loadFailure(const QString& path)
{
    return CompositionError(QStringLiteral("Failed to load image from ") + QFileInfo(path).fileName());
}

void checkPixelCount(long long width, long long height, const QString& path)
{
    if (width * height > kMaxImagePixels)
        throw CompositionError(QStringLiteral("Image %1 is too large (%2 x %3 pixels, the limit is %4 megapixels)")
                                   .arg(QFileInfo(path).fileName())
                                   .arg(width)
                                   .arg(height)
                                   .arg(kMaxImagePixels / 1'000'000));
}

// ---- JPEG and PNG through FFmpeg

FramePtr decodeWithFfmpeg(const QByteArray& data, AVCodecID codecId, const QString& path)
{
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (!codec)
        throw MediaError(QStringLiteral("avcodec_find_decoder(%1): decoder not available")
                             .arg(QLatin1String(avcodec_get_name(codecId))));
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        throw MediaError(QStringLiteral("avcodec_alloc_context3: out of memory"));
    ctx->max_pixels = kMaxImagePixels; // a second guard behind the header check
    checkAv(avcodec_open2(ctx.get(), codec, nullptr), "avcodec_open2", QFileInfo(path).fileName());

    PacketPtr pkt = makePacket();
    checkAv(av_new_packet(pkt.get(), int(data.size())), "av_new_packet");
    std::memcpy(pkt->data, data.constData(), size_t(data.size()));
    pkt->flags |= AV_PKT_FLAG_KEY;

    if (avcodec_send_packet(ctx.get(), pkt.get()) < 0)
        throw loadFailure(path);
    avcodec_send_packet(ctx.get(), nullptr); // drain: frame-threaded decoders hold the picture back
    FramePtr frame = makeFrame();
    if (avcodec_receive_frame(ctx.get(), frame.get()) < 0 || frame->width <= 0 || frame->height <= 0)
        throw loadFailure(path);
    return frame;
}

int exifOrientation(const AVFrame* frame)
{
    const AVDictionaryEntry* e = av_dict_get(frame->metadata, "Orientation", nullptr, 0);
    return e ? QByteArray(e->value).trimmed().toInt() : 1;
}

// Any decoded pixel format to packed RGB; transparent areas over black.
RgbImage toRgb(const AVFrame* frame)
{
    const auto src = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(src);
    const bool alpha = desc && (desc->flags & AV_PIX_FMT_FLAG_ALPHA);
    const AVPixelFormat dst = alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24;
    SwsPtr sws(sws_getContext(frame->width, frame->height, src, frame->width, frame->height, dst,
                              SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!sws)
        throw MediaError(QStringLiteral("sws_getContext: cannot convert %1 to RGB")
                             .arg(QLatin1String(av_get_pix_fmt_name(src))));
    if (desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB) && desc->nb_components >= 3) {
        const int matrix = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
        const int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
        sws_setColorspaceDetails(sws.get(), sws_getCoefficients(matrix), fullRange,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }

    const int bpp = alpha ? 4 : 3;
    std::vector<uint8_t> converted(size_t(frame->width) * size_t(frame->height) * size_t(bpp));
    uint8_t* dstData[4] = {converted.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {frame->width * bpp, 0, 0, 0};
    checkAv(sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dstData, dstStride), "sws_scale");

    RgbImage image;
    image.width = frame->width;
    image.height = frame->height;
    if (!alpha) {
        image.pixels = std::move(converted);
        return image;
    }
    image.pixels.resize(size_t(image.width) * size_t(image.height) * 3);
    const size_t count = size_t(image.width) * size_t(image.height);
    for (size_t i = 0; i < count; ++i) {
        const unsigned a = converted[i * 4 + 3];
        for (int c = 0; c < 3; ++c)
            image.pixels[i * 3 + c] = uint8_t((converted[i * 4 + c] * a + 127) / 255);
    }
    return image;
}

RgbImage decodeJpegOrPng(const QString& path, const QByteArray& data)
{
    const ImageKind kind = sniffImageKind(data);
    const QSize size = readImageSize(data, kind);
    if (kind == ImageKind::Unknown || !size.isValid())
        throw loadFailure(path);
    checkPixelCount(size.width(), size.height(), path);

    FramePtr frame = decodeWithFfmpeg(data, kind == ImageKind::Png ? AV_CODEC_ID_PNG : AV_CODEC_ID_MJPEG, path);
    const int orientation = exifOrientation(frame.get());
    RgbImage image = toRgb(frame.get());
    frame.reset();
    return applyExifOrientation(std::move(image), orientation);
}

// ---- HEIC through libheif

struct HeifContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HeifHandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct HeifImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};

RgbImage decodeHeif(const QString& path, const QByteArray& data)
{
    std::unique_ptr<heif_context, HeifContextDeleter> ctx(heif_context_alloc());
    if (!ctx)
        throw MediaError(QStringLiteral("heif_context_alloc: out of memory"));
    // libheif's own guard against absurd headers, besides the pixel count below.
    heif_context_set_maximum_image_size_limit(ctx.get(), 32768);
    if (heif_context_read_from_memory_without_copy(ctx.get(), data.constData(), size_t(data.size()), nullptr).code
        != heif_error_Ok)
        throw loadFailure(path);

    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok)
        throw loadFailure(path);
    std::unique_ptr<heif_image_handle, HeifHandleDeleter> handle(rawHandle);
    checkPixelCount(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()), path);

    // Rotation, mirroring and cropping of the container are applied by
    // libheif, and grids are assembled: the result is already upright.
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code
        != heif_error_Ok)
        throw loadFailure(path);
    std::unique_ptr<heif_image, HeifImageDeleter> decoded(rawImage);

    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    if (!plane || w <= 0 || h <= 0)
        throw loadFailure(path);
    RgbImage image;
    image.width = w;
    image.height = h;
    image.pixels.resize(size_t(w) * size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        std::memcpy(image.pixel(0, y), plane + size_t(y) * size_t(stride), size_t(w) * 3);
    return image;
}

} // namespace

RgbImage decodeImage(const QString& path, const CancelToken* cancel)
{
    const std::optional<QByteArray> data = readWholeFile(path, kMaxImageFileBytes, cancel);
    if (!data)
        throw loadFailure(path);
    if (QFileInfo(path).suffix().toLower() == QLatin1String("heic"))
        return decodeHeif(path, *data);
    return decodeJpegOrPng(path, *data);
}

} // namespace lc::media
