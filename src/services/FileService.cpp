#include "services/FileService.h"

#include "platform/ConsoleLine.h"
#include "services/ServicesLog.h"
#include "platform/Bookmark.h"

#include <QFile>

#include <unistd.h>

#include <cstdio>

namespace {

// Diagnostics are single lines on standard output, flushed at once so they
// interleave correctly with other output and survive a crash right after.
} // namespace

FileService& FileService::shared()
{
    static FileService instance;
    return instance;
}

std::optional<QUrl> FileService::resolveBookmark(const QByteArray& data) const
{
    const Result<Bookmark::Resolved> resolved = Bookmark::resolve(data);
    if (!resolved) {
        printConsoleLine(lcServices(), QStringLiteral("❌ Failed to resolve bookmark: ") + resolved.error());
        return std::nullopt;
    }
    if (resolved->isStale)
        printConsoleLine(lcServices(), QStringLiteral("⚠️ Bookmark is stale for ") + resolved->url.toLocalFile());
    return resolved->url;
}

Result<QByteArray> FileService::createBookmark(const QUrl& url) const
{
    return Bookmark::create(url);
}

bool FileService::startAccessing(const QUrl& url) const
{
    // Linux has no sandbox grant to request: access is whatever the file's
    // permissions allow, so "granted" means the path is there and readable.
    if (!url.isLocalFile())
        return false;
    if (::access(QFile::encodeName(url.toLocalFile()).constData(), R_OK) != 0)
        return false;
    m_open.fetch_add(1);
    return true;
}

void FileService::stopAccessing(const QUrl& url) const
{
    // A stop without a matching start is a caller bug; never let the count go
    // negative and hide a leak elsewhere.
    int open = m_open.load();
    while (open > 0 && !m_open.compare_exchange_weak(open, open - 1)) {
    }
}
