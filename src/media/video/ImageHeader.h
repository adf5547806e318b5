#pragma once
// Picture size from the first bytes of a PNG (IHDR) or JPEG (SOFn marker),
// read without decoding any pixels.

#include <QByteArray>
#include <QSize>

class QIODevice;

namespace lc::media {

enum class ImageKind { Unknown, Png, Jpeg };

ImageKind sniffImageKind(const QByteArray& data);

// An invalid QSize when the header cannot be read.
QSize readImageSize(const QByteArray& data, ImageKind kind);
// Same from a seekable file, reading only the headers' bytes.
QSize readImageSize(QIODevice& file, ImageKind kind);

} // namespace lc::media
