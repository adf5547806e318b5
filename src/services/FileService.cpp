#include "services/FileService.h"

#include "platform/ConsoleLine.h"
#include "platform/Bookmark.h"

std::optional<QUrl> FileService::resolveBookmark(const QByteArray& data) const
{
    Bookmark::Resolved resolved;
    QString error;
    if (!Bookmark::resolve(data, &resolved, &error)) {
        printConsoleLine(QStringLiteral("❌ Failed to resolve bookmark: ") + error);
        return std::nullopt;
    }
    if (resolved.isStale)
        printConsoleLine(QStringLiteral("⚠️ Bookmark is stale for ") + resolved.url.toLocalFile());
    return resolved.url;
}

std::optional<QByteArray> FileService::createBookmark(const QUrl& url, QString* error) const
{
    QByteArray data;
    QString message;
    if (!Bookmark::create(url, &data, &message)) {
        if (error)
            *error = message;
        return std::nullopt;
    }
    return data;
}
