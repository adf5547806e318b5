#pragma once
// Our bookmark blob: a small versioned binary record of a file's path and its
// identity (device, inode, size, modification time). Resolving finds the file
// again: at its path when it is still the same file; by identity inside the
// original folder when it was moved there (stale); at its path when the file
// was replaced (stale). Another file that merely took over the inode of a
// deleted one is not found.

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace Bookmark {

struct Resolved {
    QUrl url;
    bool isStale = false;
};

// Fails when the file does not exist.
Result<QByteArray> create(const QUrl& url);
// Fails for empty/corrupt data and for a file that no longer exists.
Result<Resolved> resolve(const QByteArray& data);

}
