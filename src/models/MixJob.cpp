#include "models/MixJob.h"
