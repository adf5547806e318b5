#include "media/video/VideoLoopSource.h"
