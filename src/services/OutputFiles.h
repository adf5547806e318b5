#pragma once
// The files a job run writes beside its movie: a hidden staging movie while
// it renders, then the movie and its tracklist committed under a name that
// replaces nothing. Also finds the hidden temporaries a run left behind when
// its process was killed.

#include "platform/Result.h"

#include <QMultiHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace OutputFiles {

// ".<movie name>.<6 random letters>.part" beside the movie: hidden, on the
// same file system (so committing is a rename), recognisable as ours, and
// the only temporary of a run (the render writes the movie into it).
QString stagingPathFor(const QString& moviePath);

// Moves the finished staging movie to `moviePath` or, when that name (movie or
// tracklist) is taken on disk or in `reserved`, to the next free name, never
// replacing a file; then writes the tracklist beside it. Returns where the
// movie now is. On failure nothing of the commit is left on disk (the staging
// movie included).
Result<QString> commit(const QString& stagingPath, const QString& moviePath, const QString& tracklistText,
                       const QSet<QString>& reserved);

// Whether a run committed `moviePath`: the movie and its tracklist are there
// (a commit that cannot write the tracklist takes the movie back).
bool isCommitted(const QString& moviePath);

// Our hidden temporaries (staging movies, and the files an earlier release
// made inside them)
// beside each of `moviePaths`, keyed by movie path. Each folder is listed
// once, however many movies it holds; safe on any thread.
QMultiHash<QString, QString> findTemporaries(const QStringList& moviePaths);

// Removes our hidden temporaries for `moviePath`; returns how many were removed.
int removeTemporaries(const QString& moviePath);

}
