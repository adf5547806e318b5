#include "media/audio/MixedAudioEncoder.h"
