#include "media/audio/MixPlan.h"
