#include "render/RenderLog.h"

Q_LOGGING_CATEGORY(lcRender, "loopcaster.render")
