#pragma once
// A model that reaches up into the views: the layering check must refuse it.
#include "views/Upward.h"
