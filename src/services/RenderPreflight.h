#pragma once
// The checks a render does before it mixes a single song, so a bad source or
// an unusable output folder is reported at once and in words, not after
// minutes of encoding as a generic muxer error. The job queue and the
// command line both call them.

#include "platform/Result.h"

#include <QString>

namespace RenderPreflight {

// Fails with the job's status message when the render cannot start.
// Creates the output folder when it is missing.
Result<void> check(const QString& sourcePath, const QString& outputPath);

// The parts, for callers that check only one side.
Result<void> checkOutput(const QString& outputPath);
Result<void> checkSource(const QString& sourcePath);

}
