#pragma once
// The checks a render does before it mixes a single song, so a bad source or
// an unusable output folder is reported at once and in words, not after
// minutes of encoding as a generic muxer error. The job queue and the
// command line both call them.

#include <QString>

#include <optional>

namespace RunPreflight {

// Nothing when the render may start; otherwise the message to show.
// Creates the output folder when it is missing.
std::optional<QString> check(const QString& sourcePath, const QString& outputPath);

// The parts, for callers that check only one side.
std::optional<QString> checkOutput(const QString& outputPath);
std::optional<QString> checkSource(const QString& sourcePath);

}
