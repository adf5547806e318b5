#pragma once
// FileService: bookmarks of user-chosen files, made when a file is chosen and
// resolved when it is used, with their diagnostics on standard output. The
// app's container owns the one instance and hands it to whoever needs it.

#include "platform/Result.h"

#include <QByteArray>
#include <QUrl>

#include <optional>

class FileService {
public:
    // Prints "❌ Failed to resolve bookmark: <error>" and returns nothing on
    // failure; prints "⚠️ Bookmark is stale for <path>" and returns the URL
    // when stale.
    std::optional<QUrl> resolveBookmark(const QByteArray& data) const;

    // Bookmark creation.
    Result<QByteArray> createBookmark(const QUrl& url) const;
};
