#pragma once
// Our bookmark blob: a small versioned binary record of a file's path and its
// identity (device, inode, size, modification time). Resolving finds the file
// again: at its path when it is still the same file; by identity inside the
// original folder when it was moved there (stale); at its path when the file
// was replaced (stale). Another file that merely took over the inode of a
// deleted one is not found.

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace Bookmark {

struct Resolved {
    QUrl url;
    bool isStale = false;
};

// Fails (returns false, sets *error) when the file does not exist.
bool create(const QUrl& url, QByteArray* out, QString* error);
// Fails for empty/corrupt data and for a file that no longer exists.
bool resolve(const QByteArray& data, Resolved* out, QString* error);

}
