#pragma once
// The tracklist beside a finished movie: one "<start> - <title>" line per song,
// with start times from the mix plan the render used (the movie's own
// positions, so tracklist and chapters always agree).

#include "media/audio/MixPlan.h"

#include <QString>
#include <QUrl>

namespace TracklistWriter {

// "MM:SS" below one hour, "HH:MM:SS" from one hour on (truncating division).
QString formatTimestamp(double seconds);

// <output without extension>.txt
QUrl tracklistURL(const QUrl& outputURL);

// A song's title in the tracklist and the chapters: its file name without
// the extension, every control character and line separator (a newline in a
// name would start a tracklist line of its own) replaced by a space.
QString songTitle(const QString& path);

// An inserted song's title: with `fromTags`, "Artist – Title" from its tags
// ("Title" alone without an artist), the file name when it has no title tag
// or without `fromTags`. Cleaned as above, and trimmed.
QString songTitle(const lc::media::MixEntry& entry, bool fromTags);

// The file's text from the plan a render used: one line per inserted song, at
// the song's start in the mix.
QString tracklistText(const lc::media::MixPlan& plan, bool titlesFromTags = false);

}
