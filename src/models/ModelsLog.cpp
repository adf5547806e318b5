#include "models/ModelsLog.h"

Q_LOGGING_CATEGORY(lcModels, "loopcaster.models")
