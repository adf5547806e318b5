#pragma once
// The files a job run writes beside its movie: a hidden staging movie while
// it renders, then the movie and its tracklist committed under a name that
// replaces nothing. Also finds the hidden temporaries a run left behind when
// its process was killed.

#include <QMultiHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace OutputFiles {

// ".<movie name>.<random>.part" beside the movie: hidden, on the same file
// system (so committing is a rename), and recognisable as ours.
QString stagingPathFor(const QString& moviePath);

struct CommitResult {
    QString moviePath;      // where the movie now is (set on success)
    QString error;          // why the commit failed (set on failure)
};

// Moves the finished staging movie to `moviePath` or, when that name (movie or
// tracklist) is taken on disk or in `reserved`, to the next free name, never
// replacing a file; then writes the tracklist beside it. On failure nothing
// of the commit is left on disk (the staging movie included).
CommitResult commit(const QString& stagingPath, const QString& moviePath, const QString& tracklistText,
                    const QSet<QString>& reserved);

// Whether a run committed `moviePath`: the movie and its tracklist are there
// (a commit that cannot write the tracklist takes the movie back).
bool isCommitted(const QString& moviePath);

// Our hidden temporaries (staging movies and the muxer's files inside them)
// beside each of `moviePaths`, keyed by movie path. Each folder is listed
// once, however many movies it holds; safe on any thread.
QMultiHash<QString, QString> findTemporaries(const QStringList& moviePaths);

// Removes our hidden temporaries for `moviePath`; returns how many were removed.
int removeTemporaries(const QString& moviePath);

}
