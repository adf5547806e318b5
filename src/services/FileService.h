#pragma once
// FileService: the process-wide bookmark resolver and the access discipline
// for user-chosen files. Linux grants access through file permissions, so
// start/stop are trivial, but callers still bracket every use with them and
// stop exactly once, only after a successful start.

#include "platform/Result.h"

#include <QByteArray>
#include <QUrl>

#include <atomic>
#include <optional>

class FileService {
public:
    static FileService& shared();

    // Prints "❌ Failed to resolve bookmark: <error>" and returns nothing on
    // failure; prints "⚠️ Bookmark is stale for <path>" and returns the URL
    // when stale.
    std::optional<QUrl> resolveBookmark(const QByteArray& data) const;

    // Bookmark creation (no access started).
    Result<QByteArray> createBookmark(const QUrl& url) const;

    // Thread-safe; counted so tests can check the discipline.
    bool startAccessing(const QUrl& url) const;
    void stopAccessing(const QUrl& url) const;
    int openAccessCount() const { return m_open.load(); }

private:
    FileService() = default;
    mutable std::atomic<int> m_open {0};
};

// RAII bracket: start on construction, stop once on destruction if granted.
class ScopedAccess {
public:
    explicit ScopedAccess(const QUrl& url, FileService& fs = FileService::shared())
        : m_fs(fs), m_url(url), m_granted(fs.startAccessing(url)) {}
    ~ScopedAccess() { release(); }
    ScopedAccess(const ScopedAccess&) = delete;
    ScopedAccess& operator=(const ScopedAccess&) = delete;
    bool granted() const { return m_granted; }
    void release()
    {
        if (m_granted) {
            m_granted = false;
            m_fs.stopAccessing(m_url);
        }
    }

private:
    FileService& m_fs;
    QUrl m_url;
    bool m_granted;
};
