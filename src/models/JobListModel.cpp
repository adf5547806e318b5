#include "models/JobListModel.h"
