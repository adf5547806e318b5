#include "services/FileService.h"
