#include "models/JobStore.h"
