#pragma once
// Writes the packets of a MixedAudioEncoder into an .m4a with libavformat,
// the way the movie muxer would, so the result can be checked with ffmpeg.

#include <QString>

namespace lc::media {
class MixedAudioEncoder;
}

// Returns an empty string on success, else the failing call's message.
QString writeM4a(lc::media::MixedAudioEncoder& encoder, const QString& path);
