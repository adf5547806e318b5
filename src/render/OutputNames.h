#pragma once
// Output movie names as the job queue builds them ("<source>_mix_<seconds>.mp4"),
// kept distinct within one command so two runs never write the same file.

#include <QString>
#include <QStringList>

// "<source file name without its extension>_mix_<seconds>.mp4"
QString mixFileName(const QString& sourcePath, qint64 unixSeconds);

// One path in `folder` per source, in order; a name already taken by an
// earlier source gets "_2", "_3", ... before the extension.
QStringList uniqueOutputPaths(const QStringList& sources, const QString& folder, qint64 unixSeconds);
