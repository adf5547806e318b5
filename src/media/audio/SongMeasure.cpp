#include "media/audio/SongMeasure.h"
