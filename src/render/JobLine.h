#pragma once
// One render job as a line of JSON, so a batch planned on one machine can be
// rendered anywhere (GNU Parallel, a Slurm job array) and give exactly the
// movies one machine would:
//   {"source":"/m/clip.mp4","songs":["/m/a.mp3",...],"crossfade":3,"output":"/out/clip_mix_1700000000.mp4"}
// plus, only when on, "loudness":-14 with "truePeak":-1 (LUFS, dBTP) and
// "titles":"tags"; a line without them renders as it always did.
// Paths are absolute, as planned; every machine must see them at the same place.

#include "platform/Result.h"
#include "render/RenderSession.h"

#include <QString>

namespace JobLine {

QString format(const RenderItem& item);

// Fails, saying why, for a line that is not such a job.
Result<RenderItem> parse(const QString& line);

}
