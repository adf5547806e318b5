#pragma once
// The tracklist beside a finished movie: one "<start> - <title>" line per song,
// written atomically as UTF-8. Start times come from the mix plan the render
// used where there is one (the movie's own positions); otherwise from the
// songs' durations and the crossfade (by list position).

#include "media/audio/MixPlan.h"

#include "media/audio/MixPlan.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace TracklistWriter {

// "MM:SS" below one hour, "HH:MM:SS" from one hour on (truncating division).
QString formatTimestamp(double seconds);

// <output without extension>.txt
QUrl tracklistURL(const QUrl& outputURL);

// The file's text from already-read durations (nullopt = unreadable).
QString tracklistText(const QList<QUrl>& songs, const QList<std::optional<double>>& durations,
                      double crossfade);

// The file's text from the plan a render used: one line per inserted song, at
// the song's start in the mix.
QString tracklistText(const lc::media::MixPlan& plan);

// Reads the durations and writes the file, synchronously. Never fails (a
// write error is ignored).
void writeTracklist(const QList<QUrl>& songs, const QUrl& outputURL, double crossfade);

}
