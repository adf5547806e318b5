#include "media/common/MediaLog.h"

Q_LOGGING_CATEGORY(lcMedia, "loopcaster.media")
