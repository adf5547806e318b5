#pragma once
// Output movie names for one command, as the job queue builds them: distinct
// within the command and free on disk (movie and tracklist), so no source
// writes another's file or replaces one already there.

#include <QString>
#include <QStringList>

// One path in `folder` per source, in order.
QStringList uniqueOutputPaths(const QStringList& sources, const QString& folder, qint64 unixSeconds);
