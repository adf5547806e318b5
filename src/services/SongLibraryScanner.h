#pragma once
// Recursive scan of a folder for songs: hidden files and folders skipped,
// supported extensions matched case-insensitively, sorted by file name with a
// locale-aware, case-insensitive, stable comparison.

#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>

namespace SongLibraryScanner {
QList<QUrl> scan(const QString& folder, const QSet<QString>& extensions);
}
