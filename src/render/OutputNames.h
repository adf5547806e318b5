#pragma once
// Output movie names for one command, as the job queue builds them, kept
// distinct within the command so two sources never write the same file.

#include <QString>
#include <QStringList>

// One path in `folder` per source, in order.
QStringList uniqueOutputPaths(const QStringList& sources, const QString& folder, qint64 unixSeconds);
