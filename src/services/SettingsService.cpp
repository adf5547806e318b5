#include "services/SettingsService.h"
