#pragma once
// Output movie names: "<source file name without its extension>_mix_<unix
// seconds>.mp4" in the output folder. A name already taken gets "_2", "_3",
// ... before the extension, so two runs never write the same file and a new
// movie never replaces a file already on disk. A long source name is cut
// (between characters) so the movie, its tracklist and their temporaries
// keep within 255 bytes.

#include <QString>

#include <functional>

QString uniqueMixOutputPath(const QString& folder, const QString& sourcePath, qint64 unixSeconds,
                            const std::function<bool(const QString& path)>& isTaken);

// The first free name at or after `path` in the same "_2", "_3"... sequence
// (clip_mix_7.mp4 -> clip_mix_7_2.mp4 -> clip_mix_7_3.mp4).
QString nextFreeOutputPath(const QString& path, const std::function<bool(const QString& path)>& isTaken);

// A movie name is taken on disk when the movie or its tracklist exists
// (dangling links included: writing through one would create its target).
bool isOutputNameOnDisk(const QString& moviePath);
