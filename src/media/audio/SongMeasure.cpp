#include "media/audio/SongMeasure.h"

#include "media/audio/SongDecoder.h"
#include "media/common/MediaError.h"

namespace lc::media {

SongMeasurement measureSong(const QString& path, const CancelToken* cancel)
{
    throwIfCancelled(cancel);
    SongDecoder decoder(path, cancel);
    SongMeasurement m;
    m.hasAudio = decoder.hasAudio();
    if (m.hasAudio)
        m.frames = decoder.countRemaining();
    return m;
}

} // namespace lc::media
