#include "media/video/StillImageSource.h"
