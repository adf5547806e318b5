#pragma once
// Recursive scan of a folder for songs: hidden files and folders skipped,
// supported extensions matched case-insensitively, sorted by file name with a
// locale-aware, case-insensitive, stable comparison. A symbolic link is
// followed only when its target lies inside the folder: a link to "/" must not
// turn a playlist into every audio file on the disk.

#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>

#include <atomic>

namespace SongLibraryScanner {
// Runs on any thread. A set `stop` ends the walk at the next folder (the
// result is then incomplete and meant to be dropped).
QList<QUrl> scan(const QString& folder, const QSet<QString>& extensions,
                 const std::atomic<bool>* stop = nullptr);
}
