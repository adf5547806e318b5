#pragma once
// A file read so that a cancel ends a wait for data at once. It is opened
// without blocking (open(2) of a FIFO without a writer would wait forever),
// and a read that finds no data waits in poll(2) on the file and on an
// eventfd the cancel token rings. Regular files never wait there; for them
// the token is seen between reads through FFmpeg's interrupt callback.

#include "media/common/CancelToken.h"
#include "media/common/FfmpegPtr.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace lc::media {

class CancellableFile final : public AvioSource {
public:
    // Throws MediaError("open(<file name>): <reason>").
    CancellableFile(const QString& path, const CancelToken* cancel);
    ~CancellableFile() override;

    // Bytes read, AVERROR_EOF at the end, AVERROR_EXIT once cancelled, or
    // the read's own error.
    int read(uint8_t* buf, int size);
    // lseek(2), plus AVSEEK_SIZE for regular files.
    int64_t seek(int64_t offset, int whence);
    bool isRegular() const { return m_regular; }

private:
    bool waitForData() const; // false once cancelled

    const CancelToken* m_cancel;
    int m_fd = -1;
    int m_wakeFd = -1;
    bool m_regular = false;
    std::unique_ptr<CancelToken::Waker> m_waker;
};

// An AVIOContext reading `path` through a CancellableFile.
AvioPtr openCancellableIo(const QString& path, const CancelToken* cancel);

// The whole file, or nothing when it cannot be opened or read or holds more
// than `limit` bytes. Throws CancelledError once cancelled.
std::optional<QByteArray> readWholeFile(const QString& path, qint64 limit, const CancelToken* cancel);

} // namespace lc::media
