#include "services/FileService.h"

#include "platform/ConsoleLine.h"
#include "services/ServicesLog.h"
#include "platform/Bookmark.h"

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
