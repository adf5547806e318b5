#include "services/RemuxWorker.h"
