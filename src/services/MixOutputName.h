#pragma once
// Output movie names: "<source file name without its extension>_mix_<unix
// seconds>.mp4" in the output folder. A name already taken gets "_2", "_3",
// ... before the extension, so two runs never write the same file.

#include <QString>

#include <functional>

QString uniqueMixOutputPath(const QString& folder, const QString& sourcePath, qint64 unixSeconds,
                            const std::function<bool(const QString& path)>& isTaken);
