#include "media/video/ImageHeader.h"

#include <QIODevice>

namespace lc::media {

namespace {

constexpr qint64 kPngHeaderBytes = 24; // signature, IHDR length and type, width, height

uint32_t bigEndian32(const QByteArray& d, qsizetype at)
{
    const auto b = [&](qsizetype i) { return uint32_t(uint8_t(d[at + i])); };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

uint32_t bigEndian16(const QByteArray& d, qsizetype at)
{
    return (uint32_t(uint8_t(d[at])) << 8) | uint32_t(uint8_t(d[at + 1]));
}

QSize pngSize(const QByteArray& d)
{
    // Signature (8), chunk length (4), "IHDR", width, height.
    if (d.size() < kPngHeaderBytes || d.mid(12, 4) != "IHDR")
        return {};
    const uint32_t w = bigEndian32(d, 16);
    const uint32_t h = bigEndian32(d, 20);
    if (w == 0 || h == 0 || w > 0x7fffffffu || h > 0x7fffffffu)
        return {};
    return {int(w), int(h)};
}

// Walks the markers from SOI to the frame header, reading only each
// segment's first bytes: metadata (EXIF thumbnails, extended XMP) may fill
// megabytes before it. `read(at, n)` returns up to n bytes from offset at.
template<typename Read>
QSize jpegSize(const Read& read)
{
    // Every segment is at most 64 KiB: this bounds the walk to a few hundred
    // megabytes of metadata.
    constexpr int kMaxSteps = 8192;
    qint64 at = 2; // after SOI
    for (int step = 0; step < kMaxSteps; ++step) {
        const QByteArray d = read(at, 9);
        if (d.size() < 4 || uint8_t(d[0]) != 0xFF)
            return {};
        const uint8_t marker = uint8_t(d[1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            at += 2;
            continue;
        }
        const uint32_t length = bigEndian16(d, 2);
        const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
            && marker != 0xCC;
        if (startOfFrame) {
            if (d.size() < 9)
                return {};
            const int h = int(bigEndian16(d, 5));
            const int w = int(bigEndian16(d, 7));
            if (w == 0 || h == 0)
                return {};
            return {w, h};
        }
        if (marker == 0xDA || length < 2) // scan data before any frame header
            return {};
        at += 2 + length;
    }
    return {};
}

} // namespace

ImageKind sniffImageKind(const QByteArray& data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return ImageKind::Png;
    if (data.size() >= 3 && uint8_t(data[0]) == 0xFF && uint8_t(data[1]) == 0xD8 && uint8_t(data[2]) == 0xFF)
        return ImageKind::Jpeg;
    return ImageKind::Unknown;
}

QSize readImageSize(const QByteArray& data, ImageKind kind)
{
    switch (kind) {
    case ImageKind::Png: return pngSize(data);
    case ImageKind::Jpeg: return jpegSize([&](qint64 at, qint64 n) { return data.mid(at, n); });
    case ImageKind::Unknown: break;
    }
    return {};
}

QSize readImageSize(QIODevice& file, ImageKind kind)
{
    if (kind != ImageKind::Jpeg)
        return file.seek(0) ? readImageSize(file.read(kPngHeaderBytes), kind) : QSize();
    return jpegSize([&](qint64 at, qint64 n) { return file.seek(at) ? file.read(n) : QByteArray(); });
}

} // namespace lc::media
