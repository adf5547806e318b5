#include "media/common/CancellableFile.h"

#include "media/common/MediaError.h"

extern "C" {
#include <libavutil/error.h>
}

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lc::media {

namespace {

constexpr int kIoBufferBytes = 64 * 1024;

CancellableFile* fileOf(void* opaque)
{
    return static_cast<CancellableFile*>(static_cast<AvioSource*>(opaque));
}

int readPacket(void* opaque, uint8_t* buf, int size)
{
    return fileOf(opaque)->read(buf, size);
}

int64_t seekPacket(void* opaque, int64_t offset, int whence)
{
    return fileOf(opaque)->seek(offset, whence);
}

} // namespace

CancellableFile::CancellableFile(const QString& path, const CancelToken* cancel)
    : m_cancel(cancel)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        const int err = errno;
        throw MediaError(QStringLiteral("open(%1): %2")
                             .arg(QFileInfo(path).fileName(), QString::fromLocal8Bit(std::strerror(err))),
                         AVERROR(err));
    }
    struct stat st {};
    m_regular = ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode);
    if (m_regular || !cancel)
        return;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd >= 0)
        m_waker = std::make_unique<CancelToken::Waker>(cancel, [fd = m_wakeFd] {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
        });
}

CancellableFile::~CancellableFile()
{
    m_waker.reset(); // before its eventfd closes
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    ::close(m_fd);
}

int CancellableFile::read(uint8_t* buf, int size)
{
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, size_t(size));
        if (n > 0)
            return int(n);
        if (n == 0)
            return AVERROR_EOF;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return AVERROR(errno);
        if (!waitForData())
            return AVERROR_EXIT;
    }
}

bool CancellableFile::waitForData() const
{
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const nfds_t count = m_wakeFd >= 0 ? 2 : 1;
    for (;;) {
        if (m_cancel && m_cancel->isCancelled())
            return false;
        if (::poll(fds, count, -1) > 0 && fds[0].revents != 0)
            return true;
    }
}

int64_t CancellableFile::seek(int64_t offset, int whence)
{
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        if (!m_regular || ::fstat(m_fd, &st) != 0)
            return AVERROR(ENOSYS);
        return st.st_size;
    }
    const off_t at = ::lseek(m_fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

AvioPtr openCancellableIo(const QString& path, const CancelToken* cancel)
{
    auto file = std::make_unique<CancellableFile>(path, cancel);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (!buffer)
        throwAvError("av_malloc", AVERROR(ENOMEM), QFileInfo(path).fileName());
    AVIOContext* io = avio_alloc_context(buffer, kIoBufferBytes, 0, static_cast<AvioSource*>(file.get()), readPacket, nullptr, seekPacket);
    if (!io) {
        av_free(buffer);
        throwAvError("avio_alloc_context", AVERROR(ENOMEM), QFileInfo(path).fileName());
    }
    if (!file->isRegular())
        io->seekable = 0;
    file.release(); // now owned by the context
    return AvioPtr(io);
}

std::optional<QByteArray> readWholeFile(const QString& path, qint64 limit, const CancelToken* cancel)
{
    std::optional<CancellableFile> file;
    try {
        file.emplace(path, cancel);
    } catch (const MediaError&) {
        return std::nullopt;
    }
    QByteArray data;
    for (qsizetype size = 0;;) {
        data.resize(size + kIoBufferBytes);
        const int n = file->read(reinterpret_cast<uint8_t*>(data.data() + size), kIoBufferBytes);
        if (n == AVERROR_EOF) {
            data.truncate(size);
            return data;
        }
        if (n == AVERROR_EXIT)
            throw CancelledError();
        size += n;
        if (n < 0 || size > limit)
            return std::nullopt;
    }
}

} // namespace lc::media
